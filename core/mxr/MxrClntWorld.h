// The world of a framework client process (an agent, a tool with an event
// loop): the event loop plus one pipe to this system's manager, over which
// every message for another process travels. Initialize connects, waiting
// for the manager as long as it takes, then runs the user's start function;
// CleanUp runs the user's cleanup function.
#pragma once

#include "BaseWorld.h"
#include "PipeHead.h"

class MxrClntWorld : public BaseWorld {
public:
    using InitFunc = int (*)();
    using CleanupFunc = void (*)();
    using RetryNotice = void (*)();

    // Seconds between two attempts to reach the manager (shortened in a
    // test build by HV_TEST_TIME_SCALE, platform/TestTimeScale.h).
    static constexpr int ConnectRetrySecs = 2;

    // Becomes the current world; either function may be null.
    MxrClntWorld(InitFunc init, CleanupFunc cleanup);
    ~MxrClntWorld() override;

    // Connects to the manager pipe (GetMxrPipeName) and starts the pipe's
    // init exchange; while that fails, the failed pipe is closed and freed,
    // and after ConnectRetrySecs a fresh one tries again, without limit.
    // Then the start function's result, or 0 when there is none.
    int Initialize() override;
    // The cleanup function, when there is one.
    void CleanUp() override;

    PipeHeadPtr GetMxrPipeHeadPtr() const;
    void SetMxrPipeHeadPtr(const PipeHeadPtr& pipe);
    InitFunc GetInitFuncAdr() const;
    void SetInitFuncAdr(InitFunc init);
    CleanupFunc GetCleanupFuncAdr() const;
    void SetCleanupFuncAdr(CleanupFunc cleanup);
    // Called after each failed attempt, before the pause (null: nothing),
    // for a program that tells a watcher it waits for its manager.
    void SetRetryNotice(RetryNotice notice);

private:
    PipeHeadPtr MxrPipeHeadPtr;
    InitFunc InitFuncAdr;
    CleanupFunc CleanupFuncAdr;
    RetryNotice RetryNoticeAdr = nullptr;
};
