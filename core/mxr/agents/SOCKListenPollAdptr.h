// The listening socket of one path, served by the loop. It accepts exactly
// one connection, makes the path's inbound pipe head of it and goes away
// (its socket closes with it), so the port listens again only when that
// connection hangs up. A failed accept or an error on the socket starts a
// new listen set-up at once; "nothing to accept now" leaves it as it is.
#pragma once

#include "BasePollAdptr.h"
#include "SockNetConfig.h"
#include "bStr.h"

class SOCKListenPollAdptr : public BasePollAdptr {
    MXR_LOCAL_CLASS(SOCKListenPollAdptr, BasePollAdptr);
    MXR_FIELDS();

public:
    SOCKListenPollAdptr();
    SOCKListenPollAdptr(int fd, const bStr& localAlias, SockNetConfig* netConfig, const bStr& devicePathName,
                        int priority, int hbInterval, int hbMaxMiss);
    // Closes the listening socket.
    ~SOCKListenPollAdptr() override;

    void PopulatePollInfo(hv::pollfd* p) override;
    enWork ProcessRevents(hv::pollfd* p) override;
    // De-registers this adaptor and starts a new listen set-up.
    void RestartSetUpListenSM();

    int GetFd() const;
    void SetFd(int fd);
    bStr GetLocalAlias() const;
    bStr GetDevicePathName() const;
    int GetPriority() const;
    int GetHbInterval() const;
    int GetHbMaxMiss() const;
    SockNetConfig* GetNetConfigP() const;

private:
    int Fd;
    SockNetConfig* NetConfigP;
    int Address;
    bStr LocalAlias;
    bStr DevicePathName;
    int Priority;
    int HbInterval;
    int HbMaxMiss;
};
MXR_COMPANIONS(SOCKListenPollAdptr);
