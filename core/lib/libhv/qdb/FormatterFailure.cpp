#include "FormatterFailure.h"

#include "platform/EventLog.h"

#include <cstdlib>

namespace cfgstore {

void FormatterFailure(const char* reason) {
    using portlib::platform::EventType;
    using portlib::platform::ReportEventLog;
    // The second source only when the first report went through.
    if (ReportEventLog("Holdervane", EventType::Error, 1, 0xC0010003u, reason) == 0)
        ReportEventLog("HoldervaneSys", EventType::Error, 1, 0xC0010003u, reason);
    std::abort();
}

}  // namespace cfgstore
