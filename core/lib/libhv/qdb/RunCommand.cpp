#include "qdbexec.h"
#include "qdberr.h"
#include "qdbpaths.h"

#include <cstdarg>
#include <cstdio>
#include <string>

extern "C" {

std::time_t pQdb_now = 0;

const char* qdbnow(void) {
    static char text[41];
    pQdb_now = std::time(nullptr);
    struct tm local {};
    ::localtime_r(&pQdb_now, &local);
    if (std::strftime(text, sizeof text, "%c", &local) == 0) text[0] = '\0';
    return text;
}

int run(const char* command) {
    // Every backslash becomes "/" before the command is quoted, so the
    // quoting's own backslashes stay.
    std::string shell = gps(kPathShell), text = command ? command : "";
    for (std::string* s : {&shell, &text})
        for (char& c : *s)
            if (c == '\\') c = '/';
    const std::string line = cfgstore::QuoteCommandArg(shell) + " -c " + cfgstore::QuoteCommandArg(text);
    return runProgram(1, 1, line.c_str(), nullptr);
}

int hvexec(int wait, int count, const redirection* list, const char* format, ...) {
    if (format == nullptr) return hv_err(23, 0, QDB_ARGS, "hvexec: no command line");
    char line[kHvExecLineMax];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (n < 0 || n >= kHvExecLineMax)
        return hv_err(23, 0, QDB_ARGS, "hvexec: command line of %d characters exceeds %d", n, kHvExecLineMax - 1);
    const hvstartup startup{count, list};
    return runProgram(wait, 0, line, &startup);
}

}  // extern "C"
