#include "MxrClntWorld.h"

#include <chrono>
#include <thread>

#include "BaseAddr.h"
#include "platform/TestTimeScale.h"

MxrClntWorld::MxrClntWorld(InitFunc init, CleanupFunc cleanup) : InitFuncAdr(init), CleanupFuncAdr(cleanup) {}

MxrClntWorld::~MxrClntWorld() = default;

int MxrClntWorld::Initialize() {
    const auto pause = std::chrono::milliseconds(portlib::platform::ScaledMs(ConnectRetrySecs * 1000u));
    for (;;) {
        MxrPipeHeadPtr = PipeHeadPtr(new PipeHead(bStr(GetMxrPipeName())));
        if (MxrPipeHeadPtr->Initialize() == 0) break;
        // The failed pipe goes now, its descriptor with it: a manager that
        // stays away for hours must not use up this process's descriptors.
        MxrPipeHeadPtr = PipeHeadPtr();
        if (RetryNoticeAdr != nullptr) RetryNoticeAdr();
        std::this_thread::sleep_for(pause);
    }
    return InitFuncAdr != nullptr ? InitFuncAdr() : 0;
}

void MxrClntWorld::CleanUp() {
    if (CleanupFuncAdr != nullptr) CleanupFuncAdr();
}

PipeHeadPtr MxrClntWorld::GetMxrPipeHeadPtr() const { return MxrPipeHeadPtr; }
void MxrClntWorld::SetMxrPipeHeadPtr(const PipeHeadPtr& pipe) { MxrPipeHeadPtr = pipe; }
MxrClntWorld::InitFunc MxrClntWorld::GetInitFuncAdr() const { return InitFuncAdr; }
void MxrClntWorld::SetInitFuncAdr(InitFunc init) { InitFuncAdr = init; }
MxrClntWorld::CleanupFunc MxrClntWorld::GetCleanupFuncAdr() const { return CleanupFuncAdr; }
void MxrClntWorld::SetCleanupFuncAdr(CleanupFunc cleanup) { CleanupFuncAdr = cleanup; }
void MxrClntWorld::SetRetryNotice(RetryNotice notice) { RetryNoticeAdr = notice; }
