// The serial agent's world: the event loop of the ttyagent process, its
// connection to the local manager, its one receiver (TTYCAMsgRcvr) and the
// heartbeat values a path takes when its own are below 1.
#pragma once

#include "BaseWorld.h"
#include "PipeHead.h"
#include "TTYCAMsgRcvr.h"
#include "TTYPipePollAdptr.h"

class TTYCAWorld : public BaseWorld {
public:
    TTYCAWorld(int heartbeatInterval, int heartbeatMaxMiss);
    ~TTYCAWorld() override;

    // Connects to the manager's pipe (GetMxrPipeName), every 2 s until it
    // answers, then builds the receiver, which registers the agent. 0.
    int Initialize() override;
    // Stops polling the world's adaptors and every serial line still open.
    void CleanUp() override;

    int GetHeartbeatInterval() const;
    void SetHeartbeatInterval(int secs);
    int GetHeartbeatMaxMiss() const;
    void SetHeartbeatMaxMiss(int misses);
    TTYCAMsgRcvrPtr GetTtyCAMsgRcvrPtr() const;
    TTYPipePollAdptrLst& GetTTYPipePollAdptrLst();
    PipeHeadPtr GetMxrPipeHeadPtr() const;

    // The current world when it is the serial agent's, else null.
    static TTYCAWorld* Current();
    // The pause between tries to reach the manager (2000 ms; tests shorten it).
    static void SetConnectRetryMs(int ms);

private:
    int HeartbeatInterval;
    int HeartbeatMaxMiss;
    TTYCAMsgRcvrPtr TtyCAMsgRcvrPtr;
    TTYPipePollAdptrLst PollAdptrLst;
    PipeHeadPtr MxrPipeHeadPtr;
};
