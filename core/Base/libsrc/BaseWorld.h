// The single-threaded event loop of a framework process. It owns the queue
// of messages waiting for dispatch (BaseMsgPtr::Send appends to it), the
// process's poll manager and timer manager, and an optional message logger.
// Sending never calls a receiver: the world hands each queued message to
// its receiver in a later turn, at most MsgsPerSegment per turn.
//
// The owner: construct the world (a derived one), Initialize (non-zero:
// exit), then Run for as long as GetRunFlag is non-zero, then CleanUp.
//
// Not a framework object: no class code, no reference count, no encoding.
// Everything here runs on the one thread that calls Run (the loop's thread:
// the constructing thread until Run is first called); Send from any other
// thread stops on an assertion. Other threads reach the loop through the
// world's inbox only (OpenInbox, WorldInbox.h).
#pragma once

#include <atomic>
#include <memory>
#include <thread>

#include "BaseMsgPtr.h"
#include "BaseMsgRcvr.h"
#include "PollManager.h"
#include "TimerManager.h"

class WorldInbox;

class BaseWorld {
public:
    // The fields at their initial values; this world becomes current.
    BaseWorld();
    // Releases, with this world current, its poll adapters first (an
    // adapter's destructor may cancel timers or send), then the logger, the
    // timers and the queued messages. No longer current once destroyed.
    virtual ~BaseWorld();
    BaseWorld(const BaseWorld&) = delete;
    BaseWorld& operator=(const BaseWorld&) = delete;

    // slot 0: 0 success; a derived world that cannot start returns non-zero.
    virtual int Initialize();
    // slot 1: nothing in the base.
    virtual void CleanUp();

    int GetRunFlag() const;
    void SetRunFlag(int flag);
    int GetDfltPollTimer() const;
    void SetDfltPollTimer(int msecs);
    int GetMsgsPerSegment() const;
    void SetMsgsPerSegment(int count);
    int GetMessagePrinting() const;
    void SetMessagePrinting(int flag);

    BaseMsgLst& GetMsgList();
    // Whether a message handed to its receiver now is handled as the dispatch
    // step would handle it next: nothing waits for dispatch before it, the
    // dispatch gate is open, and no logger, printing or tracing sees messages
    // on their way.
    bool DispatchesAtOnce() const;
    PollManager& GetPollManager();
    TimerManager& GetTimerManager();
    BaseMsgRcvrPtr GetMsgLoggerPtr() const;
    void SetMsgLoggerPtr(BaseMsgRcvrPtr logger);

    // One turn of the loop: due timers queue their messages; every poll
    // adapter is served without waiting; when that found nothing and no
    // message can be dispatched, the poll waits until a descriptor is ready,
    // the next timer is due or DfltPollTimer ms have passed (whichever comes
    // first) and due timers are processed again; then the dispatch step.
    // This world is current for the turn.
    void Run();
    // Queues the messages of the timers that are due.
    void ProcessTimers();
    // The time-out (ms) that the last turn's waiting poll asked for; 0 when
    // that turn did not wait (work was found, or a message could be
    // dispatched); negative for a wait without end. With the timers' clock injected, a test reads here how
    // long a turn meant to wait without measuring it.
    int GetLastTurnWait() const;

    // The dispatch step of a turn: hands up to MsgsPerSegment queued
    // messages to their receivers, oldest first (the logger sees each one
    // first). Outside the manager nothing is dispatched until this host's
    // manager route exists (the process's pipe to its manager is up).
    void ProcessMessages();

    // The loop's thread only: this world's inbox for other threads, opened
    // (and its adapter registered) at the first call. Hand the shared pointer
    // to the threads that post; see WorldInbox.h.
    std::shared_ptr<WorldInbox> OpenInbox();

    // 1 on the thread that runs this world's loop.
    int IsLoopThread() const;

    // The current world, or null.
    static BaseWorld* GetWorldPtr();
    static void SetWorldPtr(BaseWorld* world);
    // Set once the readiness gate of ProcessMessages has opened; it stays
    // open for the life of the process (0 closes it again, for tests).
    static int GetDispatchReadyFlg();
    static void SetDispatchReadyFlg(int flg);

private:
    // What the fields hold is released by the destructor's body, in its own
    // order (adapters before timers), before the fields themselves go.
    int RunFlag;
    PollManager PollMgr;
    int DfltPollTimer;
    BaseMsgLst MsgList;
    int MsgsPerSegment;
    TimerManager TimerMgr;
    BaseMsgRcvrPtr MsgLoggerPtr;
    int MessagePrinting;
    // The thread that constructed this world or last called Run.
    std::atomic<std::thread::id> LoopThread;
    std::shared_ptr<WorldInbox> Inbox;
    int LastTurnWait = 0;

    // 1 once queued messages may be dispatched (the readiness gate is open).
    int DispatchGateOpen();
    // Messages wait and the dispatch step would take them now.
    bool MessagesToDispatch();
    // One message of the dispatch step; 1 when it was handed to a receiver.
    int DispatchOne(const BaseMsgPtr& queued);

    // Read by any thread (Send checks the caller against its world).
    static std::atomic<BaseWorld*> worldPtr;
    static int dispatchReadyFlg;
};
