#include "BaseWorld.h"

#include <climits>
#include <iostream>
#include <sstream>
#include <string>

#include "BaseAddr.h"
#include "BaseErrMsg.h"
#include "BasePktCtrl.h"
#include "BaseReqMsg.h"
#include "FuncInfo.h"
#include "MxrAssert.h"
#include "WorldInbox.h"
#include "WorldInboxPollAdptr.h"

#define WORLD_FRAME(func, parms) MXR_FRAME("BaseWorld", func, parms, "BaseWorld.c")

std::atomic<BaseWorld*> BaseWorld::worldPtr{nullptr};
int BaseWorld::dispatchReadyFlg = 0;

namespace {
// One report, one write: lines of a report never interleave with others.
void ReportLine(const std::string& line) { std::cerr << line + "\n" << std::flush; }
}  // namespace

BaseWorld::BaseWorld()
    : RunFlag(1),
      DfltPollTimer(10000),
      MsgsPerSegment(20),
      MessagePrinting(0),
      LoopThread(std::this_thread::get_id()) {
    WORLD_FRAME("BaseWorld", 0);
    worldPtr = this;
}

BaseWorld::~BaseWorld() {
    WORLD_FRAME("~BaseWorld", 0);
    // What this world holds goes while it is current, so that destructors
    // that reach for the world (cancelling a timer, de-registering) find it.
    BaseWorld* const previous = worldPtr;
    worldPtr = this;
    // Posts stop here; what was still queued goes on this thread.
    if (Inbox) Inbox->Close();
    PollMgr.DeRegisterAll();
    MsgLoggerPtr = BaseMsgRcvrPtr();
    TimerMgr.Clear();
    BasePtr gone;
    while (MsgList.Remove(gone)) gone = BasePtr();
    worldPtr = previous == this ? nullptr : previous;
}

int BaseWorld::Initialize() {
    WORLD_FRAME("Initialize", 0);
    return 0;
}

void BaseWorld::CleanUp() { WORLD_FRAME("CleanUp", 0); }

int BaseWorld::GetRunFlag() const {
    WORLD_FRAME("GetRunFlag", 0);
    return RunFlag;
}

void BaseWorld::SetRunFlag(int flag) {
    WORLD_FRAME("SetRunFlag", 1);
    RunFlag = flag;
}

int BaseWorld::GetDfltPollTimer() const {
    WORLD_FRAME("GetDfltPollTimer", 0);
    return DfltPollTimer;
}

void BaseWorld::SetDfltPollTimer(int msecs) {
    WORLD_FRAME("SetDfltPollTimer", 1);
    DfltPollTimer = msecs;
}

int BaseWorld::GetMsgsPerSegment() const {
    WORLD_FRAME("GetMsgsPerSegment", 0);
    return MsgsPerSegment;
}

void BaseWorld::SetMsgsPerSegment(int count) {
    WORLD_FRAME("SetMsgsPerSegment", 1);
    MsgsPerSegment = count;
}

int BaseWorld::GetMessagePrinting() const {
    WORLD_FRAME("GetMessagePrinting", 0);
    return MessagePrinting;
}

void BaseWorld::SetMessagePrinting(int flag) {
    WORLD_FRAME("SetMessagePrinting", 1);
    MessagePrinting = flag;
}

BaseMsgLst& BaseWorld::GetMsgList() {
    WORLD_FRAME("GetMsgList", 0);
    return MsgList;
}

bool BaseWorld::DispatchesAtOnce() const {
    return dispatchReadyFlg != 0 && RunFlag != 0 && MessagePrinting == 0 && MsgList.GetItemCnt() == 0 &&
           MsgLoggerPtr.BasePtr::GetPtr() == nullptr && !FuncInfo::MayTrace();
}

PollManager& BaseWorld::GetPollManager() {
    WORLD_FRAME("GetPollManager", 0);
    return PollMgr;
}

TimerManager& BaseWorld::GetTimerManager() {
    WORLD_FRAME("GetTimerManager", 0);
    return TimerMgr;
}

BaseMsgRcvrPtr BaseWorld::GetMsgLoggerPtr() const {
    WORLD_FRAME("GetMsgLoggerPtr", 0);
    return MsgLoggerPtr;
}

void BaseWorld::SetMsgLoggerPtr(BaseMsgRcvrPtr logger) {
    WORLD_FRAME("SetMsgLoggerPtr", 1);
    MsgLoggerPtr = logger;
}

std::shared_ptr<WorldInbox> BaseWorld::OpenInbox() {
    WORLD_FRAME("OpenInbox", 0);
    MXR_ASSERT(IsLoopThread(), "IsLoopThread()", "BaseWorld");
    if (!Inbox) {
        Inbox = std::make_shared<WorldInbox>();
        PollMgr.Register(BasePollAdptrPtr(new WorldInboxPollAdptr(this, Inbox)));
    }
    return Inbox;
}

int BaseWorld::IsLoopThread() const {
    WORLD_FRAME("IsLoopThread", 0);
    return LoopThread.load(std::memory_order_relaxed) == std::this_thread::get_id() ? 1 : 0;
}

BaseWorld* BaseWorld::GetWorldPtr() {
    WORLD_FRAME("GetWorldPtr", 0);
    return worldPtr;
}

void BaseWorld::SetWorldPtr(BaseWorld* world) {
    WORLD_FRAME("SetWorldPtr", 1);
    worldPtr = world;
}

int BaseWorld::GetDispatchReadyFlg() {
    WORLD_FRAME("GetDispatchReadyFlg", 0);
    return dispatchReadyFlg;
}

void BaseWorld::SetDispatchReadyFlg(int flg) {
    WORLD_FRAME("SetDispatchReadyFlg", 1);
    dispatchReadyFlg = flg;
}

void BaseWorld::Run() {
    WORLD_FRAME("Run", 0);
    // The thread that runs the loop owns it from now on.
    LoopThread.store(std::this_thread::get_id(), std::memory_order_relaxed);
    BaseWorld* const previous = worldPtr;
    worldPtr = this;
    ProcessTimers();
    LastTurnWait = 0;
    // A turn that would wait when nothing is ready goes straight to the
    // wait when the poll manager has nothing at hand: the wait ends at once
    // for whatever is ready, and an idle turn asks the kernel once.
    const bool idleWaits = !MessagesToDispatch();
    const bool polled = !(idleWaits && PollMgr.NothingAtHand());
    if ((!polled || PollMgr.PollForWork(0) == BasePollAdptr::NOWORK) && !MessagesToDispatch()) {
        // Nothing to do now: wait for a descriptor, the next timer or the
        // default time. Messages that wait for the manager's route, or that
        // a stopped world holds, do not count, or the loop would spin until
        // the route comes or the world runs again.
        // Compared as unsigned: no timer (0xFFFFFFFF) leaves DfltPollTimer,
        // and a negative DfltPollTimer (wait without end) any timer.
        const unsigned dflt = static_cast<unsigned>(DfltPollTimer);
        const unsigned next = TimerMgr.GetMSecsToNextTimer();
        unsigned wait = next < dflt ? next : dflt;
        // A timer weeks away must not turn into a wait without end.
        if (wait > static_cast<unsigned>(INT_MAX) && wait != 0xFFFFFFFFu) wait = INT_MAX;
        LastTurnWait = static_cast<int>(wait);
        PollMgr.PollForWork(LastTurnWait);
        ProcessTimers();
    }
    ProcessMessages();
    worldPtr = previous;
}

int BaseWorld::GetLastTurnWait() const {
    WORLD_FRAME("GetLastTurnWait", 0);
    return LastTurnWait;
}

void BaseWorld::ProcessTimers() {
    WORLD_FRAME("ProcessTimers", 0);
    TimerMgr.ProcessTimers();
}

int BaseWorld::DispatchGateOpen() {
    WORLD_FRAME("DispatchGateOpen", 0);
    if (dispatchReadyFlg == 0) {
        // Outside the manager, messages wait until the pipe to this host's
        // manager is up: the route (this host, pid 0) exists.
        if (BaseAddr::GetMxrWorldFlg() == 0) {
            const BaseAddr manager(BaseAddr::GetCurrentHost(), 0, 0);
            if (manager.GetMsgRcvrAddr() == nullptr) return 0;
        }
        dispatchReadyFlg = 1;
    }
    return 1;
}

bool BaseWorld::MessagesToDispatch() {
    WORLD_FRAME("MessagesToDispatch", 0);
    return MsgList.GetItemCnt() != 0 && RunFlag != 0 && DispatchGateOpen() != 0;
}

void BaseWorld::ProcessMessages() {
    WORLD_FRAME("ProcessMessages", 0);
    if (!DispatchGateOpen()) return;
    if (RunFlag == 0) return;
    int dispatched = 0;
    BaseMsgPtr queued;
    while (dispatched < MsgsPerSegment && MsgList.Remove(queued)) {
        dispatched += DispatchOne(queued);
        queued = BaseMsgPtr();
        if (RunFlag == 0) break;
    }
}

int BaseWorld::DispatchOne(const BaseMsgPtr& queued) {
    WORLD_FRAME("DispatchOne", 1);
    if (!queued.Ok()) {
        ReportLine("BaseWorld::Run() - Bad message not a Base Msg Ptr");
        return 0;
    }
    const BaseMsgPtr msg = queued->GetMsgPtrForDispatch();
    if (msg.BasePtr::GetPtr() == nullptr) return 0;
    // The queued message itself (the common case) has just been tested.
    const bool tested = msg.BasePtr::GetPtr() == queued.BasePtr::GetPtr() && !FuncInfo::MayTrace();
    if (!tested && !msg.Ok()) {
        ReportLine("BaseWorld::Run() - Bad contained message not a Base Msg Ptr");
        return 0;
    }
    BaseMsgRcvr* rcvr = msg->GetMsgRcvrAddr();
    if (rcvr == nullptr) {
        // A peer may send a message whose to-address is missing or is no
        // address: it is reported as an empty host and pid 0.
        const BaseAddrPtr to = msg->GetToAddr();
        std::ostringstream line;
        line << "BaseWorld::Run() - Bad target address " << "ClassName = " << msg->GetClassName()
             << " To Host = " << (to.Ok() ? to->GetHost() : bStr()) << " TO pid = " << (to.Ok() ? to->GetPid() : 0L);
        ReportLine(line.str());
        // The answer joins this world's list like any sent message.
        if (msg->IsOfType(BaseReqMsg::ClassCode)) MsgList.Append(BaseMsgPtr(new BaseErrMsg(msg->GetFrmAddr())));
        return 0;
    }
    if (MessagePrinting != 0 && std::string(msg->GetClassName()) != "PipeHeadSendHeartBeatReqMsg") {
        std::ostringstream line;
        line << BaseAddr::GetCurrentHost() << "-" << BaseAddr::GetCurrentPid() << "> " << msg->GetClassName()
             << " to " << rcvr->GetClassName() << "[" << static_cast<const void*>(rcvr) << "]";
        ReportLine(line.str());
    }
    const BasePktCtrlPtr noCtrl;
    // Without a logger (and without tracing) there is nothing to copy or test.
    if (MsgLoggerPtr.BasePtr::GetPtr() == nullptr && !FuncInfo::MayTrace()) {
    } else if (const BaseMsgRcvrPtr logger = MsgLoggerPtr; logger.Ok()) {
        // Its result does not change what happens to the message. A logger is
        // a receiver like any other and may have destroyed the message's
        // receiver meanwhile: ask again.
        logger->ReceiveMsg(msg, noCtrl);
        rcvr = msg->GetMsgRcvrAddr();
        if (rcvr == nullptr) return 1;
    }
    if (rcvr->ReceiveMsg(msg, noCtrl) == BaseMsgRcvr::NOTPROCESSED) ReportLine("BaseWorld::Run() - Message not processed");
    return 1;
}
