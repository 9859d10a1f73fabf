// The connecting socket of one path, served by the loop until the connect
// is decided. The outcome is read from SO_ERROR first (Linux reports a
// refused connect as writable and in error): a made connection becomes the
// path's outbound pipe head and this adaptor goes; a failed one starts a new
// connect set-up whose first try waits longer than the try that failed did
// (a short first wait, doubled up to 30 seconds).
#pragma once

#include "BasePollAdptr.h"
#include "SockNetConfig.h"
#include "bStr.h"

class SOCKConnectPollAdptr : public BasePollAdptr {
    MXR_LOCAL_CLASS(SOCKConnectPollAdptr, BasePollAdptr);
    MXR_FIELDS();

public:
    SOCKConnectPollAdptr();
    SOCKConnectPollAdptr(int fd, const bStr& remHostName, SockNetConfig* netConfig, const bStr& devicePathName,
                         int priority, int hbInterval, int hbMaxMiss);
    // Closes the socket unless the pipe head took it.
    ~SOCKConnectPollAdptr() override;

    void PopulatePollInfo(hv::pollfd* p) override;
    enWork ProcessRevents(hv::pollfd* p) override;
    // Closes the socket, starts a delayed connect set-up, de-registers.
    void RestartAddHostSM();
    // The wait before the try that made this connect (0: none).
    void SetLastRetryMs(unsigned ms);
    unsigned GetLastRetryMs() const;

    int GetFd() const;
    bStr GetRemHostName() const;
    bStr GetDevicePathName() const;
    int GetPriority() const;
    int GetHbInterval() const;
    int GetHbMaxMiss() const;
    SockNetConfig* GetNetConfigP() const;

private:
    int Fd;
    bStr RemHostName;
    SockNetConfig* NetConfigP;
    bStr DevicePathName;
    int Priority;
    int HbInterval;
    int HbMaxMiss;
    unsigned LastRetryMs = 0;
};
MXR_COMPANIONS(SOCKConnectPollAdptr);
