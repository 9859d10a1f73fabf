// sendevent: a minimal stand-in for the event sender. It writes one line
// with the time and its arguments to standard output (to standard error
// when standard output is closed, as the database runs its event commands)
// and returns at once; it never calls the manager. On a lost system's
// event ("-E comm_down" with "-n<system>") it also starts the recovery
// program beside it, "qdbrecover -M <system>", detached.
#include "platform/ProgramSpawn.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

// The system named by a comm_down event, or empty.
std::string LostSystem(int argc, char** argv) {
    bool commDown = false;
    std::string system;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-E") == 0 && i + 1 < argc && std::strcmp(argv[i + 1], "comm_down") == 0) commDown = true;
        if (std::strncmp(argv[i], "-n", 2) == 0) system = argv[i] + 2;
    }
    // A name is one plain word: it becomes an argument, never shell text.
    if (system.empty() || system.size() > 64 ||
        system.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789._-") != std::string::npos)
        return "";
    return commDown ? system : "";
}

// Starts "<dir of argv0>/qdbrecover -M system" detached, in a session of
// its own, so that neither this program nor its caller waits for it.
void StartRecovery(const char* argv0, const std::string& system) {
    std::string dir = argv0;
    const auto slash = dir.rfind('/');
    dir = slash == std::string::npos ? "." : dir.substr(0, slash);
    portlib::platform::SpawnSpec spec;
    spec.program = dir + "/qdbrecover";
    spec.argv = {spec.program, "-M", system};
    spec.env = portlib::platform::ChangedEnvironment({});
    spec.newSession = true;
    pid_t pid = -1;
    (void)portlib::platform::SpawnDetached(spec, &pid);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)) {
        std::fputs("usage: sendevent [argument...]\n"
                   "\n"
                   "A minimal stand-in for the event sender: it writes one line, the time and\n"
                   "its arguments, to standard output (standard error when standard output\n"
                   "is closed) and exits 0. It sends nothing. For \"-E comm_down\" with\n"
                   "\"-n<system>\" it also starts \"qdbrecover -M <system>\" from its own\n"
                   "directory, detached.\n",
                   stdout);
        return 0;
    }
    char when[64];
    const std::time_t now = std::time(nullptr);
    struct tm local {};
    ::localtime_r(&now, &local);
    std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &local);
    std::FILE* out = ::fcntl(1, F_GETFD) == -1 ? stderr : stdout;
    std::fprintf(out, "%s sendevent", when);
    for (int i = 1; i < argc; ++i) std::fprintf(out, " %s", argv[i]);
    std::fprintf(out, "\n");
    std::fflush(out);
    if (const std::string lost = LostSystem(argc, argv); !lost.empty()) StartRecovery(argv[0], lost);
    return 0;
}
