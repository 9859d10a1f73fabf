// The console's reads of the instance and system tables: a list is read
// once and dropped, records too short to hold the wanted field are skipped,
// and no list is taken past kMaxRecords records, whatever the database
// returned.
#pragma once

#include "ConsoleDatabase.h"

#include <optional>
#include <string>
#include <vector>

namespace appstat {

inline constexpr std::size_t kMaxRecords = 5000;

// An instance's fields as the console uses them (fields 4 and 7).
struct InstanceEntry {
    std::string tag;
    std::string state;
};

// The roots of the local database, in record order.
std::vector<InstanceEntry> ReadRootInstances(panelaid::ConsoleDatabase& db);

// The state of tag's record in machine's database; nothing without one.
std::optional<std::string> ReadInstanceState(panelaid::ConsoleDatabase& db, const std::string& machine,
                                             const std::string& tag);

// Whether a record of the system list names that system (its first field).
inline bool RecordNamesSystem(const std::string& record, const std::string& name) {
    if (record.compare(0, name.size(), name) != 0) return false;
    if (record.size() == name.size()) return true;
    const char next = record[name.size()];
    return next == panelaid::kRecordSeparator || (next == '\n' && record.size() == name.size() + 1);
}
// Whether a record of the system list names no system at all.
inline bool RecordNamesNothing(const std::string& record) {
    return record.empty() || record[0] == panelaid::kRecordSeparator || record[0] == '\n';
}

}  // namespace appstat
