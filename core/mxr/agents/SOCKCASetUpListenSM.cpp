#include "SOCKCASetUpListenSM.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "BaseAddr.h"
#include "ClassDefine.h"
#include "GenericTimeoutMsg.h"
#include "LocalForms.h"
#include "SOCKListenPollAdptr.h"
#include "SockRetryTable.h"
#include "SockTrace.h"
#include "StateMachDefine.h"

MXR_LOCAL_CLASS_DEFINE_CUSTOM(SOCKCASetUpListenSM);
MXR_LOCAL_FORMS(SOCKCASetUpListenSM, BaseStateMach);


using ListenTable = SockRetryTable<SOCKCASetUpListenSM>;
MXR_STATE_MACH_DEFINE(SOCKCASetUpListenSM, ListenTable::names, ListenTable::table, START);

SOCKCASetUpListenSMLst& GetSetUpListenSMLst() {
    static SOCKCASetUpListenSMLst pending;
    return pending;
}

SOCKCASetUpListenSM::SOCKCASetUpListenSM(const bStr& localAlias, SockNetConfig* netConfig, const bStr& devicePathName,
                                         int priority, int hbInterval, int hbMaxMiss)
    : NetConfigP(netConfig),
      LocalAlias(localAlias),
      DevicePathName(devicePathName),
      Priority(priority),
      HbInterval(hbInterval),
      HbMaxMiss(hbMaxMiss) {
    MXR_METHOD_FRAME("SOCKCASetUpListenSM", 6);
    SetState(START);
}

void SOCKCASetUpListenSM::KickStart() {
    MXR_METHOD_FRAME("KickStart", 0);
    GetSetUpListenSMLst().Append(SOCKCASetUpListenSMPtr(this));
    BaseMsgPtr(new GenericTimeoutMsg(BaseAddrPtr(GetAddrPtr()))).Send();
}

BaseMsgPtr SOCKCASetUpListenSM::TransSTARTGenericTimeoutMsg(BaseMsgPtr& msg) {
    MXR_METHOD_FRAME("TransSTARTGenericTimeoutMsg", 1);
    static_cast<void>(msg);
    // The list may hold the last reference: this machine stays to the end.
    const SOCKCASetUpListenSMPtr self(this);
    if (TriedOnce != 0) SockTrace("Previous SetUpListen() failed and the timer expired - try again.");
    TriedOnce = 1;
    TimerTagPtr_ = TimerTagPtr();
    if (SetUpListen() != 0) {
        TimerTagPtr_ = SockArmRetry(*this);
        return BaseMsgPtr();
    }
    SOCKListenPollAdptrPtr adptr(
        new SOCKListenPollAdptr(Fd, LocalAlias, NetConfigP, DevicePathName, Priority, HbInterval, HbMaxMiss));
    Fd = -1;  // the adaptor owns it now
    adptr->Register();
    GetSetUpListenSMLst().RemoveItem(self);
    return BaseMsgPtr();
}

int SOCKCASetUpListenSM::SetUpListen() {
    MXR_METHOD_FRAME("SetUpListen", 0);
    const bStr name = LocalAlias.StrLen() > 0 ? LocalAlias : BaseAddr::GetCurrentHost();
    const std::uint32_t addr = ResolveHostAddress(static_cast<const char*>(name));
    if (addr == 0) {
        SockReport(std::string("SOCKCASetUpListenSM:SetUpListen(): Host ") + static_cast<const char*>(name) +
                   " not on network");
        return 1;
    }
    Fd = ::socket(NetConfigP->Family, NetConfigP->Type | SOCK_NONBLOCK | SOCK_CLOEXEC, NetConfigP->Protocol);
    if (Fd < 0) {
        SockReport("SOCKCASetUpListenSM::SetUpListen() socket() " + std::to_string(errno));
        Fd = -1;
        return 2;
    }
    SockTrace("SOCKCASetUpListenSM::SetUpListen(): socket successful fd=" + std::to_string(Fd));
    // A port whose last connection is in TIME_WAIT can be bound again; a
    // port another socket listens on still cannot.
    const int one = 1;
    ::setsockopt(Fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    const unsigned short port = NetConfigP->PortOf(DevicePathName);
    char dotted[INET_ADDRSTRLEN] = {};
    in_addr a{};
    a.s_addr = addr;
    ::inet_ntop(AF_INET, &a, dotted, sizeof dotted);
    SockTrace("Listening on " + std::to_string(port) + " address " + dotted + " (" + static_cast<const char*>(name) +
              ")");
    sockaddr_in sa{};
    sa.sin_family = static_cast<sa_family_t>(NetConfigP->Family);
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = addr;
    if (::bind(Fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) {
        SockReport("SOCKCASetUpListenSM::SetUpListen(): bind() " + std::to_string(errno));
        ::close(Fd);
        Fd = -1;
        return 3;
    }
    ::listen(Fd, 5);
    return 0;
}

void SOCKCASetUpListenSM::CleanUp() {
    MXR_METHOD_FRAME("CleanUp", 0);
    if (TimerTagPtr_.Ok()) TimerTagPtr_->CancelTimer();
    TimerTagPtr_ = TimerTagPtr();
    if (Fd != -1) ::close(Fd);
    Fd = -1;
}

int SOCKCASetUpListenSM::GetFd() const { return Fd; }
bStr SOCKCASetUpListenSM::GetLocalAlias() const { return LocalAlias; }
bStr SOCKCASetUpListenSM::GetDevicePathName() const { return DevicePathName; }
int SOCKCASetUpListenSM::GetPriority() const { return Priority; }
int SOCKCASetUpListenSM::GetHbInterval() const { return HbInterval; }
int SOCKCASetUpListenSM::GetHbMaxMiss() const { return HbMaxMiss; }
int SOCKCASetUpListenSM::GetTriedOnce() const { return TriedOnce; }
TimerTagPtr SOCKCASetUpListenSM::GetTimerTagPtr() const { return TimerTagPtr_; }
