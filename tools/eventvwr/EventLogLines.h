// The event log file read back for the viewer: one report per line,
// "<time>\t<source>\t<type>\t<category>\t<id>\t<text>". Lines that do not
// have the six fields are skipped; the newest reports are kept when the file
// holds more than the viewer shows.
#pragma once

#include <string>
#include <vector>

namespace eventvwr {

struct EventRow {
    std::string time, source, type, category, id, text;
};

inline constexpr std::size_t kMaxRows = 5000;
inline constexpr std::size_t kMaxFileBytes = 4 * 1024 * 1024;

std::vector<EventRow> ParseEventLog(const std::string& text, std::size_t maxRows = kMaxRows);
// $HV_SYSTEM_DIR/log/eventlog, its last kMaxFileBytes at most; nothing when
// it is missing or not a regular file.
std::vector<EventRow> ReadEventLog();

}  // namespace eventvwr
