// PipeHead's heartbeats: a repeating timer that sends them, and a one-shot
// watching timer, restarted by every sign of life of the peer, that declares
// the peer DEAD when it runs out. Both timers carry requests addressed to
// the endpoint itself (slot 7 takes them). Each change of the peer's status
// to ALIVE or DEAD sends the registered route messages.
//
// At most one timer of each kind runs: an activation stops the one still
// running from an earlier activation, or that one would go on sending, and
// an old watching timer would later declare a live peer dead.
#include <iostream>

#include "BaseWorld.h"
#include "FuncInfo.h"
#include "PipeHead.h"
#include "PipeHeadHeartBeatTimeoutReqMsg.h"
#include "PipeHeadSendHeartBeatReqMsg.h"
#include "TimerManager.h"

namespace {
bool Sends(PipeHead::HeartBeatActivity a) { return a == PipeHead::SEND || a == PipeHead::SENDANDRECEIVE; }
bool Watches(PipeHead::HeartBeatActivity a) { return a == PipeHead::RECEIVE || a == PipeHead::SENDANDRECEIVE; }

// Seconds (times misses) in timer milliseconds, held below the timers' "no
// timer" value.
unsigned TimerMs(unsigned long long ms) { return ms < 0xFFFFFFFEull ? static_cast<unsigned>(ms) : 0xFFFFFFFEu; }
}  // namespace

void PipeHead::CancelTimer(TimerTagPtr& tag) {
    MXR_METHOD_FRAME("CancelTimer", 1);
    if (tag.GetPtr() == nullptr) return;
    if (BaseWorld* world = BaseWorld::GetWorldPtr()) world->GetTimerManager().CancelTimer(tag);
    tag = TimerTagPtr();
}

unsigned PipeHead::WatchTimeMs() const {
    MXR_METHOD_FRAME("WatchTimeMs", 0);
    return TimerMs(static_cast<unsigned long long>(HbInterval) * HbMaxMiss * 1000ull + 10ull);
}

TimerTagPtr PipeHead::ArmWatchTimer() {
    MXR_METHOD_FRAME("ArmWatchTimer", 0);
    BaseAddrPtr self(GetAddrPtr());
    BaseMsgPtr req(new PipeHeadHeartBeatTimeoutReqMsg(self));
    req->SetFrmAddr(self);
    return TimerManager::SetOneShotTimer(req, WatchTimeMs());
}

void PipeHead::StandbyHeartBeat() {
    MXR_METHOD_FRAME("StandbyHeartBeat", 0);
    CancelTimer(HbSendMsgTagPtr);
    CancelTimer(HbTimeoutTagPtr);
    HbActivity = STANDBY;
    HbStatus = NONE;
    HeartBeatMsgPtr = PipeHeartBeatMsgPtr();
}

void PipeHead::ActivateSendHeartBeat() {
    MXR_METHOD_FRAME("ActivateSendHeartBeat", 0);
    CancelTimer(HbSendMsgTagPtr);
    HbActivity = Watches(HbActivity) ? SENDANDRECEIVE : SEND;
    HeartBeatMsgPtr = new PipeHeartBeatMsg();
    SendHeartBeat();
    if (HbInterval == 0) HbInterval = defaultHbInterval;
    BaseAddrPtr self(GetAddrPtr());
    BaseMsgPtr req(new PipeHeadSendHeartBeatReqMsg(self));
    req->SetFrmAddr(self);
    HbSendMsgTagPtr = TimerManager::SetMultiShotTimer(req, TimerMs(HbInterval * 1000ull), 0xFFFFFFFFu);
}

void PipeHead::SendHeartBeat() {
    MXR_METHOD_FRAME("SendHeartBeat", 0);
    if (!HeartBeatMsgPtr.Ok()) return;
    HeartBeatMsgPtr->IncCount();
    DfltMsgHdlr(BaseMsgPtr(HeartBeatMsgPtr), BasePktCtrlPtr());
}

void PipeHead::ActivateRcvHeartBeat() {
    MXR_METHOD_FRAME("ActivateRcvHeartBeat", 0);
    CancelTimer(HbTimeoutTagPtr);
    HbStatus = INITIALIZING;
    HbActivity = Sends(HbActivity) ? SENDANDRECEIVE : RECEIVE;
    if (HbInterval == 0) HbInterval = defaultHbInterval;
    if (HbMaxMiss == 0) HbMaxMiss = defaultHbMaxMiss;
    HbTimeoutTagPtr = ArmWatchTimer();
}

void PipeHead::ReceivedHeartBeatMsg(PipeHeartBeatMsgPtr msg) {
    MXR_METHOD_FRAME("ReceivedHeartBeatMsg", 1);
    static_cast<void>(msg);
    ReceivedHeartBeatIndication();
}

void PipeHead::ReceivedHeartBeatIndication() {
    MXR_METHOD_FRAME("ReceivedHeartBeatIndication", 0);
    if (!Watches(HbActivity)) return;
    if (HbTimeoutTagPtr.GetPtr() != nullptr) {
        if (HbTimeoutTagPtr->ResetTimer() == 0) std::cerr << "ReceivedHeartBeatIndication could not Reset Timer\n";
    } else {
        // The watching time ran out before: a new period starts now.
        HbTimeoutTagPtr = ArmWatchTimer();
    }
    if (HbStatus != ALIVE) {
        HbStatus = ALIVE;
        NotifyRoute(ALIVE);
    }
}

void PipeHead::HeartBeatTimeout() {
    MXR_METHOD_FRAME("HeartBeatTimeout", 0);
    HbTimeoutTagPtr = TimerTagPtr();  // spent
    if (Watches(HbActivity) && HbStatus != DEAD) {
        HbStatus = DEAD;
        NotifyRoute(DEAD);
    }
}

void PipeHead::NotifyRoute(HeartBeatStatus status) {
    MXR_METHOD_FRAME("NotifyRoute", 1);
    BaseMsgLst* lst = status == ALIVE ? &RouteUpMsgLst : status == DEAD ? &RouteDownMsgLst : nullptr;
    if (lst == nullptr) return;
    BaseMsgLstIter it(*lst);
    for (BaseMsgPtr m = it.First(); m.GetPtr() != nullptr; m = it.Next()) m.Send();
}

BaseMsgRcvr::enMsgResult PipeHead::MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) {
    MXR_METHOD_FRAME("MsgHdlr", 2);
    if (msg->IsOfType(PipeHeadSendHeartBeatReqMsg::ClassCode)) {
        SendHeartBeat();
        return PROCESSED;
    }
    if (msg->IsOfType(PipeHeadHeartBeatTimeoutReqMsg::ClassCode)) {
        HeartBeatTimeout();
        return PROCESSED;
    }
    return BaseMsgRcvr::MsgHdlr(msg, ctrl);
}

unsigned PipeHead::GetHbInterval() const {
    MXR_METHOD_FRAME("GetHbInterval", 0);
    return HbInterval;
}

void PipeHead::SetHbInterval(unsigned secs) {
    MXR_METHOD_FRAME("SetHbInterval", 1);
    HbInterval = secs;
}

unsigned PipeHead::GetHbMaxMiss() const {
    MXR_METHOD_FRAME("GetHbMaxMiss", 0);
    return HbMaxMiss;
}

void PipeHead::SetHbMaxMiss(unsigned misses) {
    MXR_METHOD_FRAME("SetHbMaxMiss", 1);
    HbMaxMiss = misses;
}

PipeHead::HeartBeatActivity PipeHead::GetHbActivity() const {
    MXR_METHOD_FRAME("GetHbActivity", 0);
    return HbActivity;
}

void PipeHead::SetHbActivity(HeartBeatActivity activity) {
    MXR_METHOD_FRAME("SetHbActivity", 1);
    HbActivity = activity;
}

PipeHead::HeartBeatStatus PipeHead::GetHbStatus() const {
    MXR_METHOD_FRAME("GetHbStatus", 0);
    return HbStatus;
}

void PipeHead::SetHbStatus(HeartBeatStatus status) {
    MXR_METHOD_FRAME("SetHbStatus", 1);
    HbStatus = status;
}

unsigned PipeHead::GetHbTotalFails() const {
    MXR_METHOD_FRAME("GetHbTotalFails", 0);
    return HbTotalFails;
}

void PipeHead::SetHbTotalMisses(unsigned misses) {
    MXR_METHOD_FRAME("SetHbTotalMisses", 1);
    HbTotalMisses = misses;
}

PipeHeartBeatMsgPtr& PipeHead::GetPipeHeartBeatMsgPtr() {
    MXR_METHOD_FRAME("GetPipeHeartBeatMsgPtr", 0);
    return HeartBeatMsgPtr;
}

void PipeHead::SetPipeHeartBeatMsgPtr(const PipeHeartBeatMsgPtr& msg) {
    MXR_METHOD_FRAME("SetPipeHeartBeatMsgPtr", 1);
    HeartBeatMsgPtr = msg;
}

TimerTagPtr PipeHead::GetHbTimeoutTagPtr() const {
    MXR_METHOD_FRAME("GetHbTimeoutTagPtr", 0);
    return HbTimeoutTagPtr;
}

void PipeHead::SetHbTimeoutTagPtr(const TimerTagPtr& tag) {
    MXR_METHOD_FRAME("SetHbTimeoutTagPtr", 1);
    HbTimeoutTagPtr = tag;
}

TimerTagPtr PipeHead::GetHbSendMsgTagPtr() const {
    MXR_METHOD_FRAME("GetHbSendMsgTagPtr", 0);
    return HbSendMsgTagPtr;
}

void PipeHead::SetHbSendMsgTagPtr(const TimerTagPtr& tag) {
    MXR_METHOD_FRAME("SetHbSendMsgTagPtr", 1);
    HbSendMsgTagPtr = tag;
}

unsigned PipeHead::GetDefaultHbInterval() {
    MXR_FRAME("PipeHead", "GetDefaultHbInterval", 0, "PipeHead.c");
    return defaultHbInterval;
}

void PipeHead::SetDefaultHbInterval(unsigned secs) {
    MXR_FRAME("PipeHead", "SetDefaultHbInterval", 1, "PipeHead.c");
    defaultHbInterval = secs;
}

unsigned PipeHead::GetDefaultHbMaxMiss() {
    MXR_FRAME("PipeHead", "GetDefaultHbMaxMiss", 0, "PipeHead.c");
    return defaultHbMaxMiss;
}

void PipeHead::SetDefaultHbMaxMiss(unsigned misses) {
    MXR_FRAME("PipeHead", "SetDefaultHbMaxMiss", 1, "PipeHead.c");
    defaultHbMaxMiss = misses;
}
