#include "PreserveTool.h"

#include "HelpOption.h"
#include "OptionParser.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace hvtools {

namespace {

int Usage(const PreserveTool& tool, const char* program) {
    std::printf(tool.usage, program);
    std::fflush(stdout);
    return 1;
}

// A pid is a decimal number above 0 and nothing else.
bool ReadPid(const char* text, long* pid) {
    if (text == nullptr || *text == '\0') return false;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || value <= 0 || value > 0x7FFFFFFF) return false;
    *pid = value;
    return true;
}

}  // namespace

int RunPreserveTool(int argc, char** argv, const PreserveTool& tool) {
    const char* program = argc > 0 && argv[0] != nullptr ? argv[0] : "";
    if (portlib::AsksForHelp(argc, argv)) return portlib::PrintHelp(tool.usage, program);
    portlib::popterr = 0;  // the usage text alone tells what was wrong
    bool verbose = false;
    int force = 0;
    const char* name = nullptr;
    const char* pidText = nullptr;
    for (int c; (c = portlib::getopt(argc, argv, tool.options)) != -1;) {
        switch (std::tolower(c)) {
        case 'v': verbose = true; break;
        case 'f': force = 1; break;
        case 'n': name = portlib::poptarg; break;
        case 'p': pidText = portlib::poptarg; break;
        default: return Usage(tool, program);
        }
    }
    if (portlib::poptind < argc) return Usage(tool, program);
    long pid = 0;
    if (tool.takesPid ? !ReadPid(pidText, &pid) : (name == nullptr || *name == '\0')) return Usage(tool, program);

    if (verbose && tool.firstLine != nullptr) {
        if (tool.takesPid) std::printf(tool.firstLine, static_cast<int>(pid));
        else std::printf(tool.firstLine, name);
        std::fflush(stdout);
    }
    const int rc = tool.call(name, pid, force);
    if (verbose) {
        if (tool.resultLineShowsPid) std::printf(tool.resultLine, static_cast<int>(pid), rc);
        else std::printf(tool.resultLine, rc);
        std::fflush(stdout);
    }
    return rc == 0 ? 0 : 1;
}

}  // namespace hvtools
