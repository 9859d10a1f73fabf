#include "TTYSendMsgSM.h"

#include <string>

#include "ClassDefine.h"
#include "EnumDefine.h"
#include "GenericTimeoutMsg.h"
#include "PipeInitMsg.h"
#include "TTYPipeHead.h"
#include "TTYPipePollAdptr.h"
#include "TTYTrace.h"
#include "TimerManager.h"

MXR_LOCAL_CLASS_DEFINE(TTYSendMsgSM);
MXR_ENUM_TABLE(TTYSendMsgSM, GetEnStateNameCvtPtrStatic, START, WAITFORACK);


namespace {

BaseMsgPtr CallSTARTGenericTimeoutMsg(BaseMsgRcvr* r, BaseMsgPtr& m) {
    return static_cast<TTYSendMsgSM*>(r)->TransSTARTGenericTimeoutMsg(m);
}
BaseMsgPtr CallWAITFORACKTTYReplyMsg(BaseMsgRcvr* r, BaseMsgPtr& m) {
    return static_cast<TTYSendMsgSM*>(r)->TransWAITFORACKTTYReplyMsg(m);
}
BaseMsgPtr CallWAITFORACKGenericTimeoutMsg(BaseMsgRcvr* r, BaseMsgPtr& m) {
    return static_cast<TTYSendMsgSM*>(r)->TransWAITFORACKGenericTimeoutMsg(m);
}

const StateTransTblEnt startTrans[] = {
    {&GenericTimeoutMsg::ClassCode, TTYSendMsgSM::WAITFORACK, &CallSTARTGenericTimeoutMsg},
    {nullptr, 0, nullptr},
};
const StateTransTblEnt waitTrans[] = {
    {&TTYReplyMsg::ClassCode, TTYSendMsgSM::START, &CallWAITFORACKTTYReplyMsg},
    {&GenericTimeoutMsg::ClassCode, TTYSendMsgSM::START, &CallWAITFORACKGenericTimeoutMsg},
    {nullptr, 0, nullptr},
};
const StateTblEnt stateTbl[] = {
    {TTYSendMsgSM::START, startTrans, 0},
    {TTYSendMsgSM::WAITFORACK, waitTrans, 0},
    {0, nullptr, 0},
};

std::string Ids(const TTYPktBufrPtr& p) {
    return std::to_string(p->GetPktCtrlId()) + " pktId " + std::to_string(p->GetPktId());
}

}  // namespace

TTYSendMsgSM::TTYSendMsgSM() : Fd(-1), NTries(0), InitialDelay(0), PollAdptrPtr(nullptr) {
    MXR_METHOD_FRAME("TTYSendMsgSM", 0);
    SetState(START);
}

TTYSendMsgSM::TTYSendMsgSM(int fd, const TTYPktBufrPtr& pkt, TTYPipePollAdptr* adptr, int initialDelay)
    : Fd(fd), NTries(0), InitialDelay(initialDelay), TtyPktBufrPtr(pkt), PollAdptrPtr(adptr) {
    MXR_METHOD_FRAME("TTYSendMsgSM", 4);
    SetState(START);
}

TTYSendMsgSM::~TTYSendMsgSM() {
    MXR_METHOD_FRAME("~TTYSendMsgSM", 0);
    CancelTimer();
}

void TTYSendMsgSM::CancelTimer() {
    if (TimerTagPtr_.Ok()) TimerTagPtr_->CancelTimer();
    TimerTagPtr_ = TimerTagPtr();
}

void TTYSendMsgSM::TriggerNow() {
    BaseMsgPtr(new GenericTimeoutMsg(BaseAddrPtr(GetAddrPtr()))).Send();
}

void TTYSendMsgSM::TriggerAfter(unsigned ms) {
    TimerTagPtr_ = TimerManager::SetOneShotTimer(BaseMsgPtr(new GenericTimeoutMsg(BaseAddrPtr(GetAddrPtr()))), ms);
}

void TTYSendMsgSM::Leave() {
    CancelTimer();
    if (PollAdptrPtr != nullptr) PollAdptrPtr->RemoveSendMsgSM(this);
}

void TTYSendMsgSM::KickStart() {
    MXR_METHOD_FRAME("KickStart", 0);
    if (PollAdptrPtr != nullptr) PollAdptrPtr->AddSendMsgSM(TTYSendMsgSMPtr(this));
    if (InitialDelay != 0)
        TriggerAfter(ReplyTimeoutMs);
    else
        TriggerNow();
}

int TTYSendMsgSM::SendMsg() {
    MXR_METHOD_FRAME("SendMsg", 0);
    if (PollAdptrPtr == nullptr || !TtyPktBufrPtr.Ok() ||
        PollAdptrPtr->WriteToLine(TtyPktBufrPtr->GetSendRecvAddr(), TtyPktBufrPtr->GetSendSize()) != 0) {
        ttyagent::TraceErr("TTYSendMsg::putmsgEx error");
        return -1;
    }
    return 0;
}

BaseMsgRcvr::enMsgResult TTYSendMsgSM::MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) {
    MXR_METHOD_FRAME("MsgHdlr", 2);
    return BaseStateMach::MsgHdlr(msg, ctrl);
}

BaseEnumCvtPtr TTYSendMsgSM::GetEnStateNameCvtPtr() {
    MXR_METHOD_FRAME("GetEnStateNameCvtPtr", 0);
    return GetEnStateNameCvtPtrStatic();
}

const StateTblEnt* TTYSendMsgSM::GetStateTbl() {
    MXR_METHOD_FRAME("GetStateTbl", 0);
    return stateTbl;
}

BaseMsgPtr TTYSendMsgSM::TransSTARTGenericTimeoutMsg(BaseMsgPtr& msg) {
    MXR_METHOD_FRAME("TransSTARTGenericTimeoutMsg", 1);
    static_cast<void>(msg);
    TimerTagPtr_ = TimerTagPtr();
    ++NTries;
    if (NTries > MaxTries) {
        ttyagent::TraceOut("ABANDONING Send of bufr PktCtrlId " + std::to_string(TtyPktBufrPtr->GetPktCtrlId()) +
                           " PktId " + std::to_string(TtyPktBufrPtr->GetPktId()));
        TTYPipePollAdptr* adptr = PollAdptrPtr;
        const bool wasInit = TtyPktBufrPtr->GetBufrClassCode() == PipeInitMsg::ClassCode;
        Leave();
        if (wasInit && adptr != nullptr) {
            const TTYPipeHeadPtr head(adptr->GetPipeHeadPtr());
            if (head.Ok()) head->SetPipeInitAbandoned(1);
        }
        return BaseMsgPtr();
    }
    if (NTries > 1) ttyagent::TraceOut("Trying to send msg again..");
    ttyagent::TraceOut("Sending ctrlid " + std::to_string(TtyPktBufrPtr->GetPktCtrlId()) + " pktid " +
                       std::to_string(TtyPktBufrPtr->GetPktId()) + " ClassCode " +
                       std::to_string(TtyPktBufrPtr->GetBufrClassCode()));
    SendMsg();
    TriggerAfter(ReplyTimeoutMs);
    return BaseMsgPtr();
}

BaseMsgPtr TTYSendMsgSM::TransWAITFORACKTTYReplyMsg(BaseMsgPtr& msg) {
    MXR_METHOD_FRAME("TransWAITFORACKTTYReplyMsg", 1);
    const TTYReplyMsgPtr reply(msg);
    switch (reply->GetReply()) {
    case TTYReplyMsg::NACK:
        CancelTimer();
        ttyagent::TraceOut("Got a NACK for pktCtrlId " + Ids(TtyPktBufrPtr));
        TriggerNow();
        break;
    case TTYReplyMsg::ACK:
        CancelTimer();
        ttyagent::TraceOut("Got ACK for pktCtrlId " + Ids(TtyPktBufrPtr));
        Leave();
        break;
    default:
        // Replies carry no checksums: a damaged one is no answer; the
        // time-out still runs.
        ttyagent::TraceOut("Unknown reply " + std::to_string(static_cast<int>(reply->GetReply())) +
                           " for pktCtrlId " + Ids(TtyPktBufrPtr));
        SetNextState(WAITFORACK);
        break;
    }
    return BaseMsgPtr();
}

BaseMsgPtr TTYSendMsgSM::TransWAITFORACKGenericTimeoutMsg(BaseMsgPtr& msg) {
    MXR_METHOD_FRAME("TransWAITFORACKGenericTimeoutMsg", 1);
    static_cast<void>(msg);
    TimerTagPtr_ = TimerTagPtr();
    ttyagent::TraceOut("Did not get response for message!");
    TriggerNow();
    return BaseMsgPtr();
}

int TTYSendMsgSM::GetFd() const {
    MXR_METHOD_FRAME("GetFd", 0);
    return Fd;
}

void TTYSendMsgSM::SetFd(int fd) {
    MXR_METHOD_FRAME("SetFd", 1);
    Fd = fd;
}

int TTYSendMsgSM::GetNTries() const {
    MXR_METHOD_FRAME("GetNTries", 0);
    return NTries;
}

void TTYSendMsgSM::SetNTries(int n) {
    MXR_METHOD_FRAME("SetNTries", 1);
    NTries = n;
}

int TTYSendMsgSM::GetInitialDelay() const {
    MXR_METHOD_FRAME("GetInitialDelay", 0);
    return InitialDelay;
}

void TTYSendMsgSM::SetInitialDelay(int delay) {
    MXR_METHOD_FRAME("SetInitialDelay", 1);
    InitialDelay = delay;
}

TTYPktBufrPtr TTYSendMsgSM::GetTtyPktBufrPtr() const {
    MXR_METHOD_FRAME("GetTtyPktBufrPtr", 0);
    return TtyPktBufrPtr;
}

void TTYSendMsgSM::SetTtyPktBufrPtr(const TTYPktBufrPtr& pkt) {
    MXR_METHOD_FRAME("SetTtyPktBufrPtr", 1);
    TtyPktBufrPtr = pkt;
}

TimerTagPtr TTYSendMsgSM::GetTimerTagPtr() const {
    MXR_METHOD_FRAME("GetTimerTagPtr", 0);
    return TimerTagPtr_;
}

void TTYSendMsgSM::SetTimerTagPtr(const TimerTagPtr& tag) {
    MXR_METHOD_FRAME("SetTimerTagPtr", 1);
    TimerTagPtr_ = tag;
}

TTYPipePollAdptr* TTYSendMsgSM::GetPollAdptrPtr() const {
    MXR_METHOD_FRAME("GetPollAdptrPtr", 0);
    return PollAdptrPtr;
}

void TTYSendMsgSM::SetPollAdptrPtr(TTYPipePollAdptr* adptr) {
    MXR_METHOD_FRAME("SetPollAdptrPtr", 1);
    PollAdptrPtr = adptr;
}
