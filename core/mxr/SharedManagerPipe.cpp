#include "SharedManagerPipe.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "BaseAddr.h"
#include "MxrAssert.h"
#include "MxrDll.h"
#include "platform/TestTimeScale.h"

namespace {

// Keeps the thread's latest shared connection, so that the slot never points
// at a freed object: at a count of 0 the connection is closed but stays in
// the slot until the next one replaces it, and a proxy released once too
// often is still recognised. When the thread ends while proxies of it still
// live, the connection is closed (they keep the closed object, and fail
// their calls).
struct SharedPipeKeeper {
    SynchPipeHeadPtr held;
    ~SharedPipeKeeper() {
        MxrSharedPipeSlots& slots = MxrThreadSharedPipeSlots();
        if (slots.sharedPipeTls != nullptr) slots.sharedPipeTls->Close();
        slots.sharedPipeTls = nullptr;
        slots.sharedPipeRefCntTls = 0;
    }
};
thread_local SharedPipeKeeper sharedPipeKeeper;

}  // namespace

namespace {
std::atomic<long> failedConnects{0};
// The calling thread's bound on Connect in milliseconds (-1: none).
thread_local long long connectBoundMs = -1;
}  // namespace

SharedManagerPipe::Bound::Bound(unsigned ms) : before_(connectBoundMs) {
    if (connectBoundMs < 0 || static_cast<long long>(ms) < connectBoundMs) connectBoundMs = ms;
}

SharedManagerPipe::Bound::~Bound() { connectBoundMs = before_; }

long SharedManagerPipe::FailedConnects() { return failedConnects.load(); }

SynchPipeHeadPtr SharedManagerPipe::Connect() {
    using Clock = std::chrono::steady_clock;
    const auto pause = std::chrono::milliseconds(portlib::platform::ScaledMs(ConnectRetrySecs * 1000u));
    const bool bounded = connectBoundMs >= 0;
    const Clock::time_point giveUp = Clock::now() + std::chrono::milliseconds(bounded ? connectBoundMs : 0);
    for (;;) {
        SynchPipeHeadPtr connection(new SynchPipeHead(bStr(GetMxrPipeName())));
        if (connection->Initialize() == 0) return connection;
        // The failed attempt goes now, its descriptor with it: a manager
        // that stays away for hours must not use up this process's
        // descriptors.
        connection = SynchPipeHeadPtr();
        failedConnects.fetch_add(1);
        if (!bounded) {
            std::this_thread::sleep_for(pause);
            continue;
        }
        const Clock::time_point now = Clock::now();
        if (now >= giveUp) return SynchPipeHeadPtr();
        std::this_thread::sleep_for(std::min<Clock::duration>(pause, giveUp - now));
    }
}

SynchPipeHeadPtr SharedManagerPipe::Acquire() {
    // Made before the connection: goes after every later thread-local proxy.
    SharedPipeKeeper& keeper = sharedPipeKeeper;
    MxrSharedPipeSlots& slots = MxrThreadSharedPipeSlots();
    SynchPipeHeadPtr connection;
    if (slots.sharedPipeRefCntTls == 0 || slots.sharedPipeTls == nullptr) {
        connection = Connect();
        if (!connection.Ok()) return connection;
        keeper.held = connection;
        slots.sharedPipeTls = connection.GetPtr();
        slots.sharedPipeRefCntTls = 0;
    } else {
        connection = SynchPipeHeadPtr(slots.sharedPipeTls);
    }
    ++slots.sharedPipeRefCntTls;
    return connection;
}

void SharedManagerPipe::Release(const SynchPipeHead* pipe, const char* source) {
    MxrSharedPipeSlots& slots = MxrThreadSharedPipeSlots();
    if (pipe == nullptr || pipe != slots.sharedPipeTls) return;
    MXR_ASSERT(slots.sharedPipeRefCntTls > 0, "sharedPipeRefCnt > 0", source);
    // At 0 the connection closes; the next Acquire makes a new one.
    if (--slots.sharedPipeRefCntTls == 0) slots.sharedPipeTls->Close();
}
