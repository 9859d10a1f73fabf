// The NT event log on this platform: each report goes to syslog (facility
// daemon, the source name as ident) and is appended as one line to
// $HV_SYSTEM_DIR/log/eventlog, which tests and the consoles read:
//   <time>\t<source>\t<type>\t<category>\t<id>\t<text>\n
// time is UTC "YYYY-MM-DD HH:MM:SS", type one of "error", "warning",
// "information", category decimal, id "0x%08X". Tabs and line ends in the
// source and the text become blanks, so one report is always one line.
#pragma once

#include <cstdint>
#include <string_view>

namespace portlib::platform {

enum class EventType {
    Error,
    Warning,
    Information,
};

// The word that names a type in the log file.
const char* EventTypeName(EventType type);

// Reports one event. The line is appended with one write, so reports of
// several processes never interleave. Returns 0, or the errno value of the
// file append (syslog has no result).
int ReportEventLog(std::string_view source, EventType type, std::uint16_t category, std::uint32_t id,
                   std::string_view text);

}  // namespace portlib::platform
