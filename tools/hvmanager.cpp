// hvmanager: a minimal stand-in for the program that hosts the
// communication manager. It runs the manager's world (control-pipe
// listener, post office and local host receiver) on this system until SIGTERM or SIGINT.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

#include "BaseAddr.h"
#include "ManagerWorld.h"
#include "SignalPollAdptr.h"
#include "platform/NamedPipeName.h"
#include "platform/SystemDir.h"

namespace {

const char* const kUsage =
    "usage: hvmanager [-h]\n"
    "\n"
    "A minimal stand-in for the program that hosts the communication manager:\n"
    "it listens on the manager's control pipe and runs the post office (with\n"
    "its mailbox \"_CaN_tAlK_\") and the local host receiver until it receives\n"
    "SIGTERM or SIGINT. There is no path administration: only this host can\n"
    "be reached.\n"
    "\n"
    "Environment:\n"
    "  HV_SYSTEM_DIR  the system directory (default /var/lib/holdervane); the\n"
    "                 pipe is run/pipe/mxr_pipe below it\n"
    "  MXRHOSTNAME    this host's name (default: the computer name)\n"
    "\n"
    "Once listening it prints one line \"hvmanager: listening ...\" on standard\n"
    "output; diagnostics go to standard error.\n"
    "\n"
    "Exit status:\n"
    "  0  stopped by SIGTERM or SIGINT\n"
    "  1  bad command line\n"
    "  2  the pipe cannot be made (another manager listens on this system\n"
    "     directory, or the directory refuses us)\n"
    "  3  the signals cannot be watched\n";

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        std::fprintf(stderr, "hvmanager: unknown argument \"%s\"\n\n%s", argv[i], kUsage);
        return 1;
    }
    // Before any receiver exists: every address of this process reads pid 0
    // and tid 0.
    BaseAddr::SetMxrWorldFlg(1);
    // Before any thread: every thread inherits the blocked signals.
    int err = 0;
    const SignalPollAdptrPtr stopper = SignalPollAdptr::Watch({SIGTERM, SIGINT}, &err);
    if (!stopper.Ok()) {
        std::fprintf(stderr, "hvmanager: cannot watch SIGTERM and SIGINT: %s\n", std::strerror(err));
        return 3;
    }

    ManagerWorld world;
    world.SetMxrPipeName(bStr(GetMxrPipeName()));
    const int rc = world.Initialize();
    if (rc != 0) {
        std::fprintf(stderr, "hvmanager: cannot listen on %s (system directory %s): error %d%s\n", GetMxrPipeName(),
                     portlib::platform::SystemDir().c_str(), rc,
                     rc == 231 ? " - another manager runs on this system directory" : "");
        return 2;
    }
    stopper->Register();
    std::string path;
    portlib::platform::PipeNameToPath(GetMxrPipeName(), &path);
    std::printf("hvmanager: listening on %s as host %s (pid %ld)\n", path.c_str(),
                BaseAddr::GetCurrentHost().StrVal(), static_cast<long>(::getpid()));
    std::fflush(stdout);

    while (world.GetRunFlag() != 0) world.Run();

    std::printf("hvmanager: stopping on signal %d\n", stopper->GetLastSignal());
    std::fflush(stdout);
    stopper->DeRegister();
    world.CleanUp();
    return 0;
}
