#include "SOCKListenPollAdptr.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "ClassDefine.h"
#include "SOCKCASetUpListenSM.h"
#include "SOCKPipeHead.h"
#include "SockPeerTable.h"
#include "SockTrace.h"

MXR_LOCAL_CLASS_DEFINE(SOCKListenPollAdptr);

SOCKListenPollAdptr::SOCKListenPollAdptr()
    : Fd(-1), NetConfigP(nullptr), Address(0), Priority(0), HbInterval(0), HbMaxMiss(0) {
    MXR_METHOD_FRAME("SOCKListenPollAdptr", 0);
}

SOCKListenPollAdptr::SOCKListenPollAdptr(int fd, const bStr& localAlias, SockNetConfig* netConfig,
                                         const bStr& devicePathName, int priority, int hbInterval, int hbMaxMiss)
    : Fd(fd),
      NetConfigP(netConfig),
      Address(0),
      LocalAlias(localAlias),
      DevicePathName(devicePathName),
      Priority(priority),
      HbInterval(hbInterval),
      HbMaxMiss(hbMaxMiss) {
    MXR_METHOD_FRAME("SOCKListenPollAdptr", 7);
}

SOCKListenPollAdptr::~SOCKListenPollAdptr() {
    MXR_METHOD_FRAME("~SOCKListenPollAdptr", 0);
    if (Fd != -1) ::close(Fd);
}

void SOCKListenPollAdptr::PopulatePollInfo(hv::pollfd* p) {
    p->fd = Fd;
    p->events = POLLIN;
    p->revents = 0;
}

BasePollAdptr::enWork SOCKListenPollAdptr::ProcessRevents(hv::pollfd* p) {
    MXR_METHOD_FRAME("ProcessRevents", 1);
    BasePtr self;
    if (GetRefCnt() > 0) self = BasePtr(this);
    if (p->revents & POLLIN) {
        sockaddr_in from{};
        socklen_t fromLen = sizeof from;
        const int conn =
            ::accept4(Fd, reinterpret_cast<sockaddr*>(&from), &fromLen, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (conn < 0) {
            const int err = errno;
            // Nobody after all (the peer gave up before we came), or a signal:
            // the listen stays as it is.
            if (err == EAGAIN || err == EWOULDBLOCK || err == EINTR || err == ECONNABORTED) return NOWORK;
            SockReport("SOCKListenPollAdptr::ProcessRevents accept" + std::to_string(err));
            RestartSetUpListenSM();
            return NOWORK;
        }
        SockTrace("SOCKListenPollAdptr::ProcessRevents() accept successful connfd=" + std::to_string(conn));
        const std::vector<std::string> systems = AcceptedSystems(from, fromLen);
        if (systems.empty()) {
            ::close(conn);
            SockEventReport("SOCKListenPollAdptr: connection on " + std::string(static_cast<const char*>(DevicePathName)) +
                            " from " + SockAddrText(from.sin_addr.s_addr, from.sin_port) +
                            " refused: no path of this device has a system at that address");
            return DIDWORK;
        }
        const int one = 1;
        if (::setsockopt(conn, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one) != 0)
            SockReport("SOCKListenPollAdptr: setsockopt failed");
        // The listen stays open: a newer connection of the peer replaces an
        // older one once it has introduced itself, so nobody can hold the
        // path by connecting first.
        SOCKPipeHeadPtr head(
            new SOCKPipeHead(conn, SOCKListenPollAdptrPtr(this), DevicePathName, HbInterval, HbMaxMiss));
        head->SetExpectedPeer(systems, SockAddrText(from.sin_addr.s_addr, from.sin_port));
        head->Initialize();
        return DIDWORK;
    }
    if (p->revents & POLLHUP) {
        SockReport("SOCKListenPollAdptr::ProcessRevents() POLLHUP");
        RestartSetUpListenSM();
    } else if (p->revents & POLLERR) {
        SockReport("SOCKListenPollAdptr::ProcessRevents() POLLERR");
        RestartSetUpListenSM();
    }
    return NOWORK;
}

std::vector<std::string> SOCKListenPollAdptr::AcceptedSystems(const sockaddr_in& from, socklen_t len) const {
    if (len < sizeof from || from.sin_family != AF_INET) return {};
    return SockPeerSystemsAt(DevicePathName, from.sin_addr.s_addr);
}

void SOCKListenPollAdptr::RestartSetUpListenSM() {
    MXR_METHOD_FRAME("RestartSetUpListenSM", 0);
    BasePtr self;
    if (GetRefCnt() > 0) self = BasePtr(this);
    DeRegister();
    // The port must be free for the new set-up's bind.
    if (Fd != -1) ::close(Fd);
    Fd = -1;
    SOCKCASetUpListenSMPtr sm(
        new SOCKCASetUpListenSM(LocalAlias, NetConfigP, DevicePathName, Priority, HbInterval, HbMaxMiss));
    sm->KickStart();
}

int SOCKListenPollAdptr::GetFd() const { return Fd; }
void SOCKListenPollAdptr::SetFd(int fd) {
    if (fd == Fd) return;
    Fd = fd;
    InterestChanged();
}
int SOCKListenPollAdptr::TellsInterestChanges() const { return 1; }
bStr SOCKListenPollAdptr::GetLocalAlias() const { return LocalAlias; }
bStr SOCKListenPollAdptr::GetDevicePathName() const { return DevicePathName; }
int SOCKListenPollAdptr::GetPriority() const { return Priority; }
int SOCKListenPollAdptr::GetHbInterval() const { return HbInterval; }
int SOCKListenPollAdptr::GetHbMaxMiss() const { return HbMaxMiss; }
SockNetConfig* SOCKListenPollAdptr::GetNetConfigP() const { return NetConfigP; }
