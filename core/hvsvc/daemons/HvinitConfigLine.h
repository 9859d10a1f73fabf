// One line of the configuration file "<root>/etc/hvinit.config": eight fields
// separated by blanks (command, group, cluster instance, poll time, restart
// count, restart interval, restart time unit, file name), "X" for a default.
// Lines starting with '#' are comments; blank lines carry nothing.
#pragma once

#include "HvinitLayout.h"

#include <string>
#include <vector>

namespace hvsvc {

struct ConfigEntry {
    std::string command;
    int group = 0;  // 0: "X", the first free group number
    std::string instance;
    int pollTime = 0;
    int restartCount = 0;  // -1 no limit
    int restartInterval = 0;
    int restartTimeUnit = 0;
    std::string fileName;
};

class HvinitConfigLine {
public:
    static constexpr int kFields = 8;

    // The line's fields, split at blanks and tabs up to a newline, whatever
    // their length.
    static std::vector<std::string> Split(const std::string& line);
    static bool IsComment(const std::string& line) { return !line.empty() && line[0] == '#'; }
    static bool IsBlank(const std::string& line) { return Split(line).empty(); }

    // Reads the fields with the table's defaults. 0, or 19032 when the count
    // is not 8 or a group or number breaks its rule.
    static int Parse(const std::vector<std::string>& fields, const hvinit::HvinitHeader& defaults, ConfigEntry* entry);
    // 0, or the message of the first text too long for its slot field:
    // 19036 command, 19038 cluster instance, 19040 file name.
    static int LengthError(const ConfigEntry& entry);

    // The program part of a command: the text before its first '|'.
    static std::string ProgramPart(const std::string& command);
    static bool SameProgram(const std::string& a, const std::string& b) { return ProgramPart(a) == ProgramPart(b); }
};

}  // namespace hvsvc
