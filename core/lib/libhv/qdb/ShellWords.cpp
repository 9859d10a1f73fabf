#include "ShellWords.h"

#include "qdbexec.h"
#include "qdbpaths.h"

namespace cfgstore {

std::string ShellSingleQuoted(std::string_view value) {
    std::string out = "'";
    for (char c : value) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

std::string ShellDoubleQuoted(std::string_view value) {
    std::string out = "\"";
    for (char c : value) {
        if (c == '$' || c == '`' || c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

int RunShellCommand(const std::string& command) {
    const std::string line = QuoteCommandArg(gps(kPathShell)) + " -c " + QuoteCommandArg(command);
    return runProgram(1, 0, line.c_str(), nullptr);
}

}  // namespace cfgstore
