// The formatter's last resort: it cannot go on (no memory), so it reports
// the reason to the event log and aborts the process.
#pragma once

namespace cfgstore {

[[noreturn]] void FormatterFailure(const char* reason);

}  // namespace cfgstore
