#include "HvinitConfigLine.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace hvsvc {

namespace {

bool IsDefault(const std::string& field) { return field == "X"; }

// A whole decimal number that fits an int.
bool Number(const std::string& field, int* value) {
    if (field.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(field.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < INT_MIN || v > INT_MAX) return false;
    *value = static_cast<int>(v);
    return true;
}

}  // namespace

std::vector<std::string> HvinitConfigLine::Split(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t i = 0;
    const std::size_t end = line.find_first_of("\r\n");
    const std::size_t n = end == std::string::npos ? line.size() : end;
    while (i < n) {
        while (i < n && (line[i] == ' ' || line[i] == '\t')) ++i;
        const std::size_t start = i;
        while (i < n && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) fields.push_back(line.substr(start, i - start));
    }
    return fields;
}

int HvinitConfigLine::Parse(const std::vector<std::string>& f, const hvinit::HvinitHeader& defaults,
                            ConfigEntry* e) {
    constexpr int kBad = 19032;
    if (static_cast<int>(f.size()) != kFields) return kBad;
    e->command = f[0];
    if (IsDefault(f[1])) e->group = 0;
    else if (!Number(f[1], &e->group) || e->group < 1 || e->group > hvinit::kGroupCount) return kBad;
    e->instance = f[2];
    if (IsDefault(f[3])) e->pollTime = defaults.pollTime;
    else if (!Number(f[3], &e->pollTime) || e->pollTime < 1) return kBad;
    if (IsDefault(f[4])) e->restartCount = defaults.restartCount;
    else if (!Number(f[4], &e->restartCount) || e->restartCount == 0) return kBad;
    if (e->restartCount < 0) e->restartCount = -1;
    if (IsDefault(f[5])) e->restartInterval = defaults.restartInterval;
    else if (!Number(f[5], &e->restartInterval) || e->restartInterval < 1) return kBad;
    if (IsDefault(f[6])) e->restartTimeUnit = defaults.restartWindow;
    else if (!Number(f[6], &e->restartTimeUnit) || e->restartTimeUnit < 0 ||
             (e->restartTimeUnit == 0 && e->restartCount >= 0))
        return kBad;
    // The window never shorter than the restarts it allows.
    if (e->restartCount > 0) {
        const long long least = static_cast<long long>(e->restartCount) * e->restartInterval;
        if (e->restartTimeUnit < least) e->restartTimeUnit = least > INT_MAX ? INT_MAX : static_cast<int>(least);
    }
    e->fileName = f[7];
    return 0;
}

int HvinitConfigLine::LengthError(const ConfigEntry& e) {
    if (e.command.size() >= hvinit::kCommandBytes) return 19036;
    if (e.instance.size() >= 30) return 19038;
    if (e.fileName.size() >= hvinit::kFileNameBytes) return 19040;
    return 0;
}

std::string HvinitConfigLine::ProgramPart(const std::string& command) {
    return command.substr(0, command.find('|'));
}

}  // namespace hvsvc
