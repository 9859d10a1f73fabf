#include "HVShutdownPriority.h"

#include "RegHV.h"
#include "platform/ShutdownOrder.h"

namespace portlib {

BOOL SetHVShutdownPriority(int priority) {
    int err = 0;
    int base = RegHVGetInt("General", "BaseShutDownPriority", &err);
    if (err != 0) base = kDefaultBaseShutDownPriority;
    unsigned level = 0, flags = 0;
    if (!platform::ShutdownOrder::GetParameters(&level, &flags)) return 0;
    long wanted = static_cast<long>(base) + priority;
    if (wanted < 0 || wanted > static_cast<long>(platform::ShutdownOrder::kMaxLevel)) return 0;
    return platform::ShutdownOrder::SetParameters(static_cast<unsigned>(wanted), flags) ? 1 : 0;
}

}  // namespace portlib
