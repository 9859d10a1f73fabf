#include "ToolText.h"

#include <cctype>
#include <cstdio>

namespace hvtools {

std::string ToolName(const char* argv0) {
    std::string name = argv0 != nullptr ? argv0 : "";
    const std::size_t slash = name.find_last_of('/');
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

std::string CommandLineOf(const std::string& command) {
    std::string line = command;
    for (char& c : line)
        if (c == '|') c = ' ';
    return line;
}

int PrintToolHelp(const char* argv0, const std::string& usage, const char* about) {
    std::printf(usage.c_str(), ToolName(argv0).c_str());
    std::fputs(about, stdout);
    std::fflush(stdout);
    return 0;
}

bool IsRecordField(const std::string& value) {
    if (value.empty() || value.front() == ':' || value.back() == ':') return false;
    if (value.find("::") != std::string::npos) return false;
    for (unsigned char c : value)
        if (std::isspace(c) || std::iscntrl(c)) return false;
    return true;
}

}  // namespace hvtools
