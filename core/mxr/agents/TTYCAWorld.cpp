#include "TTYCAWorld.h"

#include <chrono>
#include <string>
#include <thread>

#include "BaseAddr.h"
#include "TTYCAMsgRcvrAddHostSM.h"
#include "TTYTrace.h"

namespace {
int connectRetryMs = 2000;
}  // namespace

TTYCAWorld::TTYCAWorld(int heartbeatInterval, int heartbeatMaxMiss)
    : HeartbeatInterval(heartbeatInterval), HeartbeatMaxMiss(heartbeatMaxMiss) {}

TTYCAWorld::~TTYCAWorld() { CleanUp(); }

void TTYCAWorld::SetConnectRetryMs(int ms) { connectRetryMs = ms; }

int TTYCAWorld::Initialize() {
    const bStr name(GetMxrPipeName());
    for (;;) {
        MxrPipeHeadPtr = new PipeHead(name);
        if (MxrPipeHeadPtr->Initialize() == 0) break;
        MxrPipeHeadPtr = PipeHeadPtr();
        ttyagent::TraceOut("TTYCAWorld: no manager yet, trying again in " + std::to_string(connectRetryMs) + " ms");
        std::this_thread::sleep_for(std::chrono::milliseconds(connectRetryMs));
    }
    TtyCAMsgRcvrPtr = new TTYCAMsgRcvr(1);
    return 0;
}

void TTYCAWorld::CleanUp() {
    TTYPipePollAdptrLstIter it(PollAdptrLst);
    for (TTYPipePollAdptrPtr a = it.First(); a.GetPtr() != nullptr; a = it.Next()) a->DeRegister();
    // Every serial line still polled is let go, and every pending set-up.
    GetPollManager().DeRegisterAll();
    BasePtr item;
    while (TTYCAMsgRcvr::GetAddHostSMLst().Remove(item)) item = BasePtr();
}

int TTYCAWorld::GetHeartbeatInterval() const { return HeartbeatInterval; }

void TTYCAWorld::SetHeartbeatInterval(int secs) { HeartbeatInterval = secs; }

int TTYCAWorld::GetHeartbeatMaxMiss() const { return HeartbeatMaxMiss; }

void TTYCAWorld::SetHeartbeatMaxMiss(int misses) { HeartbeatMaxMiss = misses; }

TTYCAMsgRcvrPtr TTYCAWorld::GetTtyCAMsgRcvrPtr() const { return TtyCAMsgRcvrPtr; }

TTYPipePollAdptrLst& TTYCAWorld::GetTTYPipePollAdptrLst() { return PollAdptrLst; }

PipeHeadPtr TTYCAWorld::GetMxrPipeHeadPtr() const { return MxrPipeHeadPtr; }

TTYCAWorld* TTYCAWorld::Current() { return dynamic_cast<TTYCAWorld*>(BaseWorld::GetWorldPtr()); }
