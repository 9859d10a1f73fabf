// The listening socket of one path's device, served by the loop. It takes
// a connection only from an address one of the device's configured systems
// resolves to, and makes an inbound pipe head of it that expects that
// system's PipeInitMsg; any other connection is closed at once with a report
// to the event log. The listen stays open for the path's life. A failed
// accept or an error on the socket starts a new listen set-up at once;
// "nothing to accept now" leaves it as it is.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>

#include <string>
#include <vector>

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
    // 1: its entry (the socket, for input) changes only through SetFd, which
    // tells the poll manager; a turn without news for it passes it by.
    int TellsInterestChanges() const override;
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
    // The configured systems at the connection's address; none refuses it.
    std::vector<std::string> AcceptedSystems(const sockaddr_in& from, socklen_t len) const;

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
