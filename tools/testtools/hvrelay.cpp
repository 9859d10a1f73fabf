// hvrelay: a test tool that joins the managers of two systems on this
// machine, in place of the socket agents that will carry the path between
// them.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "BaseAddr.h"
#include "RelayWorld.h"
#include "SignalPollAdptr.h"

namespace {

const char* const kUsage =
    "usage: hvrelay SYSTEM_DIR_A HOST_A SYSTEM_DIR_B HOST_B\n"
    "\n"
    "A test tool, a minimal stand-in for the socket agents: it joins the\n"
    "managers of two systems on this machine. It connects to the manager pipe\n"
    "of each system (run/pipe/mxr_pipe below its system directory), announces\n"
    "each host to the other's manager, registers with each path administrator\n"
    "as a TLI agent, asks it for the path to the other host (device \"relay\")\n"
    "and reports that path up; then it carries every message between the two\n"
    "systems, addresses unchanged. On SIGTERM or SIGINT, or when one manager\n"
    "goes, it reports the path DEAD to the manager(s) left and ends.\n"
    "\n"
    "Prints \"hvrelay: joined HOST_A and HOST_B\" on standard output once both\n"
    "paths are up; diagnostics go to standard error.\n"
    "\n"
    "Exit status:\n"
    "  0  stopped by SIGTERM or SIGINT\n"
    "  1  bad command line\n"
    "  2  a manager cannot be reached\n"
    "  3  the signals cannot be watched\n"
    "  4  a manager went away\n";

// The relay's own host name: no system's (a computer name is upper case).
const char* const kRelayHost = "hvrelay";

// Drain time for the DEAD reports on the way out.
constexpr int kLeaveMs = 2000;

bool ValidHost(const char* name) {
    const std::size_t n = std::strlen(name);
    return n > 0 && n <= 64 && std::strcmp(name, kRelayHost) != 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc != 5 || argv[1][0] == '\0' || argv[3][0] == '\0' || !ValidHost(argv[2]) || !ValidHost(argv[4]) ||
        std::strcmp(argv[2], argv[4]) == 0) {
        std::fputs(kUsage, stderr);
        return 1;
    }
    BaseAddr::SetCurrentHost(bStr(kRelayHost));
    int err = 0;
    const SignalPollAdptrPtr stopper = SignalPollAdptr::Watch({SIGTERM, SIGINT}, &err);
    if (!stopper.Ok()) {
        std::fprintf(stderr, "hvrelay: cannot watch SIGTERM and SIGINT: %s\n", std::strerror(err));
        return 3;
    }
    RelayWorld world({bStr(argv[2]), argv[1]}, {bStr(argv[4]), argv[3]});
    if (const int side = world.Initialize(); side != 0) {
        const int arg = side == 1 ? 1 : 3;
        std::fprintf(stderr, "hvrelay: cannot reach the manager of %s (system directory %s)\n", argv[arg + 1],
                     argv[arg]);
        return 2;
    }
    stopper->Register();
    std::printf("hvrelay: connected to %s and %s\n", argv[2], argv[4]);
    std::fflush(stdout);

    while (world.GetRunFlag() != 0 && world.GoneHost().StrLen() == 0) world.Step();

    const bStr gone = world.GoneHost();
    if (gone.StrLen() != 0)
        std::printf("hvrelay: the manager of %s went away\n", gone.StrVal());
    else
        std::printf("hvrelay: stopping on signal %d\n", stopper->GetLastSignal());
    std::fflush(stdout);
    world.Leave(kLeaveMs);
    stopper->DeRegister();
    world.CleanUp();
    return gone.StrLen() != 0 ? 4 : 0;
}
