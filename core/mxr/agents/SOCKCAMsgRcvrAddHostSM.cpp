#include "SOCKCAMsgRcvrAddHostSM.h"

#include <netinet/in.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "BaseAddr.h"
#include "ClassDefine.h"
#include "GenericTimeoutMsg.h"
#include "LocalForms.h"
#include "SOCKConnectPollAdptr.h"
#include "SetUpRetryDelay.h"
#include "SockRetryTable.h"
#include "SockTrace.h"
#include "StateMachDefine.h"

MXR_LOCAL_CLASS_DEFINE_CUSTOM(SOCKCAMsgRcvrAddHostSM);
MXR_LOCAL_FORMS(SOCKCAMsgRcvrAddHostSM, BaseStateMach);


using AddHostTable = SockRetryTable<SOCKCAMsgRcvrAddHostSM>;
MXR_STATE_MACH_DEFINE(SOCKCAMsgRcvrAddHostSM, AddHostTable::names, AddHostTable::table, START);

SOCKCAMsgRcvrAddHostSMLst& GetAddHostSMLst() {
    static SOCKCAMsgRcvrAddHostSMLst pending;
    return pending;
}

SOCKCAMsgRcvrAddHostSM::SOCKCAMsgRcvrAddHostSM(const bStr& remHostName, SockNetConfig* netConfig,
                                               const bStr& devicePathName, int priority, int hbInterval,
                                               int hbMaxMiss, int initialDelay, unsigned lastRetryMs)
    : RemHostName(remHostName),
      NetConfigP(netConfig),
      DevicePathName(devicePathName),
      Priority(priority),
      HbInterval(hbInterval),
      HbMaxMiss(hbMaxMiss),
      InitialDelay(initialDelay),
      LastRetryMs(lastRetryMs) {
    MXR_METHOD_FRAME("SOCKCAMsgRcvrAddHostSM", 8);
    SetState(START);
}

void SOCKCAMsgRcvrAddHostSM::KickStart() {
    MXR_METHOD_FRAME("KickStart", 0);
    GetAddHostSMLst().Append(SOCKCAMsgRcvrAddHostSMPtr(this));
    TimerTagPtr_ = TimerTagPtr();
    if (InitialDelay != 0)
        ArmNextTry();
    else
        SendTryNow();
}

BaseMsgPtr SOCKCAMsgRcvrAddHostSM::TransSTARTGenericTimeoutMsg(BaseMsgPtr& msg) {
    MXR_METHOD_FRAME("TransSTARTGenericTimeoutMsg", 1);
    const SOCKCAMsgRcvrAddHostSMPtr self(this);
    // A try whose timer had fired when TryNow came: not another try.
    if (msg.GetPtr() != PendingTryMsg.GetPtr()) return BaseMsgPtr();
    PendingTryMsg = BaseMsgPtr();
    if (TriedOnce != 0)
        SockTrace(
            "Previous SetUpConnect() failed and the timer expired\nor previous SOCKCAConnectPollAdptr failed - try "
            "again.");
    TriedOnce = 1;
    TimerTagPtr_ = TimerTagPtr();
    if (SetUpConnect() != 0) {
        ArmNextTry();
        return BaseMsgPtr();
    }
    GetAddHostSMLst().RemoveItem(self);
    return BaseMsgPtr();
}

int SOCKCAMsgRcvrAddHostSM::SetUpConnect() {
    MXR_METHOD_FRAME("SetUpConnect", 0);
    const int fd = ::socket(NetConfigP->Family, NetConfigP->Type | SOCK_NONBLOCK | SOCK_CLOEXEC, NetConfigP->Protocol);
    if (fd < 0) {
        SockReport("SOCKCAMsgRcvrAddHostSM::SetUpConnect() socket() " + std::to_string(errno));
        return 2;
    }
    SockTrace("SOCKCAMsgRcvrAddHostSM::SetUpConnect(): socket successful fd=" + std::to_string(fd));
    const bStr self = BaseAddr::GetCurrentHost();
    const std::uint32_t local = ResolveHostAddress(static_cast<const char*>(self));
    if (local == 0) {
        SockReport(std::string("SOCKCAMsgRcvrAddHostSM::SetUpConnect(): Host ") + static_cast<const char*>(self) +
                   " not on network");
        ::close(fd);
        return 1;
    }
    // The connection leaves from the address of this system's name.
    sockaddr_in me{};
    me.sin_family = static_cast<sa_family_t>(NetConfigP->Family);
    me.sin_port = 0;
    me.sin_addr.s_addr = local;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&me), sizeof me) != 0) {
        SockReport("SOCKCAMsgRcvrAddHostSM::SetUpConnect(): bind() " + std::to_string(errno));
        ::close(fd);
        return 3;
    }
    SockTrace("SOCKCAMsgRcvrAddHostSM::SetUpConnect(): bind successful");
    const unsigned short port = NetConfigP->PortOf(DevicePathName);
    SockTrace("Connecting to remote port " + std::to_string(port));
    const std::uint32_t remote = ResolveHostAddress(static_cast<const char*>(RemHostName));
    RemoteAddr = remote;
    if (remote == 0) {
        SockReport(std::string("SOCKCAMsgRcvrAddHostSM::SetUpConnect(): Host ") +
                   static_cast<const char*>(RemHostName) + " not on network");
        ::close(fd);
        return 1;
    }
    SockTrace(std::string("SOCKCAMsgRcvrAddHostSM::SetUpConnect(): Host ") + static_cast<const char*>(RemHostName) +
              " found");
    sockaddr_in peer{};
    peer.sin_family = static_cast<sa_family_t>(NetConfigP->Family);
    peer.sin_port = htons(port);
    peer.sin_addr.s_addr = remote;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) {
        const int err = errno;
        if (err != EINPROGRESS && err != EINTR) {
            SockReport("SOCKCAMsgRcvrAddHostSM::SetUpConnect(): connect() " + std::to_string(err));
            ::close(fd);
            return 4;
        }
    } else {
        SockTrace("SOCKCAMsgRcvrAddHostSM::SetUpConnect(): connect successful");
    }
    SOCKConnectPollAdptrPtr adptr(
        new SOCKConnectPollAdptr(fd, RemHostName, NetConfigP, DevicePathName, Priority, HbInterval, HbMaxMiss));
    // A refusal waits longer than this try did.
    adptr->SetLastRetryMs(LastRetryMs);
    adptr->Register();
    return 0;
}

void SOCKCAMsgRcvrAddHostSM::CleanUp() {
    MXR_METHOD_FRAME("CleanUp", 0);
    if (TimerTagPtr_.Ok()) TimerTagPtr_->CancelTimer();
    TimerTagPtr_ = TimerTagPtr();
    PendingTryMsg = BaseMsgPtr();
}

void SOCKCAMsgRcvrAddHostSM::ArmNextTry() {
    LastRetryMs = NextSetUpRetryMs(LastRetryMs, SockNetConfig::FirstRetryMs(), SockNetConfig::RetryMs());
    PendingTryMsg = BaseMsgPtr(new GenericTimeoutMsg(BaseAddrPtr(GetAddrPtr())));
    TimerTagPtr_ = SockArmRetry(PendingTryMsg, LastRetryMs);
}

void SOCKCAMsgRcvrAddHostSM::SendTryNow() {
    PendingTryMsg = BaseMsgPtr(new GenericTimeoutMsg(BaseAddrPtr(GetAddrPtr())));
    BaseMsgPtr(PendingTryMsg).Send();
}

int SOCKCAMsgRcvrAddHostSM::TryNow() {
    MXR_METHOD_FRAME("TryNow", 0);
    if (!TimerTagPtr_.Ok()) return 0;
    TimerTagPtr_->CancelTimer();
    TimerTagPtr_ = TimerTagPtr();
    LastRetryMs = 0;
    SendTryNow();
    return 1;
}

int SOCKCAMsgRcvrAddHostSM::PeerIsListening(const bStr& host, std::uint32_t peerAddr, const bStr& devicePath) {
    MXR_METHOD_FRAME("PeerIsListening", 3);
    const char* name = static_cast<const char*>(host);
    int told = 0;
    SOCKCAMsgRcvrAddHostSMLstIter it(GetAddHostSMLst());
    for (SOCKCAMsgRcvrAddHostSMPtr sm = it.First(); sm.GetPtr() != nullptr; sm = it.Next()) {
        if (!(sm->DevicePathName == devicePath)) continue;
        // The path may name the peer by an alias: its address then tells.
        const char* alias = static_cast<const char*>(sm->RemHostName);
        const bool sameName = name != nullptr && alias != nullptr && ::strcasecmp(name, alias) == 0;
        if (!sameName && peerAddr != 0 && sm->RemoteAddr == 0)
            sm->RemoteAddr = ResolveHostAddress(static_cast<const char*>(sm->RemHostName));
        const bool sameAddr = peerAddr != 0 && sm->RemoteAddr == peerAddr;
        if (sameName || sameAddr) told += sm->TryNow();
    }
    return told;
}

bStr SOCKCAMsgRcvrAddHostSM::GetRemHostName() const { return RemHostName; }
bStr SOCKCAMsgRcvrAddHostSM::GetDevicePathName() const { return DevicePathName; }
int SOCKCAMsgRcvrAddHostSM::GetPriority() const { return Priority; }
int SOCKCAMsgRcvrAddHostSM::GetHbInterval() const { return HbInterval; }
int SOCKCAMsgRcvrAddHostSM::GetHbMaxMiss() const { return HbMaxMiss; }
int SOCKCAMsgRcvrAddHostSM::GetTriedOnce() const { return TriedOnce; }
int SOCKCAMsgRcvrAddHostSM::GetInitialDelay() const { return InitialDelay; }
TimerTagPtr SOCKCAMsgRcvrAddHostSM::GetTimerTagPtr() const { return TimerTagPtr_; }
unsigned SOCKCAMsgRcvrAddHostSM::GetLastRetryMs() const { return LastRetryMs; }
