#include "SOCKConnectPollAdptr.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "ClassDefine.h"
#include "SOCKCAMsgRcvrAddHostSM.h"
#include "SOCKPipeHead.h"
#include "SockTrace.h"

MXR_LOCAL_CLASS_DEFINE(SOCKConnectPollAdptr);

SOCKConnectPollAdptr::SOCKConnectPollAdptr()
    : Fd(-1), NetConfigP(nullptr), Priority(0), HbInterval(0), HbMaxMiss(0) {
    MXR_METHOD_FRAME("SOCKConnectPollAdptr", 0);
}

SOCKConnectPollAdptr::SOCKConnectPollAdptr(int fd, const bStr& remHostName, SockNetConfig* netConfig,
                                           const bStr& devicePathName, int priority, int hbInterval, int hbMaxMiss)
    : Fd(fd),
      RemHostName(remHostName),
      NetConfigP(netConfig),
      DevicePathName(devicePathName),
      Priority(priority),
      HbInterval(hbInterval),
      HbMaxMiss(hbMaxMiss) {
    MXR_METHOD_FRAME("SOCKConnectPollAdptr", 7);
}

SOCKConnectPollAdptr::~SOCKConnectPollAdptr() {
    MXR_METHOD_FRAME("~SOCKConnectPollAdptr", 0);
    if (Fd != -1) ::close(Fd);
}

void SOCKConnectPollAdptr::PopulatePollInfo(hv::pollfd* p) {
    p->fd = Fd;
    p->events = POLLOUT;
    p->revents = 0;
}

BasePollAdptr::enWork SOCKConnectPollAdptr::ProcessRevents(hv::pollfd* p) {
    MXR_METHOD_FRAME("ProcessRevents", 1);
    BasePtr self;
    if (GetRefCnt() > 0) self = BasePtr(this);
    if ((p->revents & (POLLOUT | POLLERR | POLLHUP)) == 0) return NOWORK;
    int soError = 0;
    socklen_t len = sizeof soError;
    if (::getsockopt(Fd, SOL_SOCKET, SO_ERROR, &soError, &len) != 0) soError = errno;
    if (soError != 0 || (p->revents & POLLOUT) == 0) {
        SockTrace("SOCKConnectPollAdptr: connect to " + std::string(static_cast<const char*>(RemHostName)) +
                  " failed " + std::to_string(soError));
        RestartAddHostSM();
        return NOWORK;
    }
    const int one = 1;
    if (::setsockopt(Fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one) != 0)
        SockReport("SOCKConnectPollAdptr: setsockopt failed");
    // The head takes the socket over: no duplicate is needed.
    const int fd = Fd;
    Fd = -1;
    SOCKPipeHeadPtr head(new SOCKPipeHead(fd, SOCKConnectPollAdptrPtr(this), DevicePathName, Priority, HbInterval));
    head->Initialize();
    DeRegister();
    return DIDWORK;
}

void SOCKConnectPollAdptr::RestartAddHostSM() {
    MXR_METHOD_FRAME("RestartAddHostSM", 0);
    BasePtr self;
    if (GetRefCnt() > 0) self = BasePtr(this);
    if (Fd != -1) ::close(Fd);
    Fd = -1;
    SOCKCAMsgRcvrAddHostSMPtr sm(
        new SOCKCAMsgRcvrAddHostSM(RemHostName, NetConfigP, DevicePathName, Priority, HbInterval, HbMaxMiss, 1,
                                   LastRetryMs));
    sm->KickStart();
    DeRegister();
}

int SOCKConnectPollAdptr::GetFd() const { return Fd; }
bStr SOCKConnectPollAdptr::GetRemHostName() const { return RemHostName; }
bStr SOCKConnectPollAdptr::GetDevicePathName() const { return DevicePathName; }
int SOCKConnectPollAdptr::GetPriority() const { return Priority; }
int SOCKConnectPollAdptr::GetHbInterval() const { return HbInterval; }
int SOCKConnectPollAdptr::GetHbMaxMiss() const { return HbMaxMiss; }
SockNetConfig* SOCKConnectPollAdptr::GetNetConfigP() const { return NetConfigP; }
void SOCKConnectPollAdptr::SetLastRetryMs(unsigned ms) { LastRetryMs = ms; }
unsigned SOCKConnectPollAdptr::GetLastRetryMs() const { return LastRetryMs; }
