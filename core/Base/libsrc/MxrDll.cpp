#include "MxrDll.h"

#include <type_traits>

// constinit: both are set before any dynamic initializer in the process runs.
// std::mutex is trivially destructible here, so the lock stays usable at exit.
constinit MxrCriticalSection MxrDllCriticalSection;
constinit MxrCriticalSection* const pMxrDllCriticalSection = &MxrDllCriticalSection;

namespace {
constinit thread_local MxrSharedPipeSlots threadSlots;
}  // namespace

MxrSharedPipeSlots& MxrThreadSharedPipeSlots() { return threadSlots; }

static_assert(std::is_trivially_destructible_v<MxrCriticalSection>,
              "the library lock must survive static destruction");
