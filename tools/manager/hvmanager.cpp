// hvmanager: a minimal stand-in for the program that hosts the
// communication manager. It runs the manager's world (control-pipe
// listener, post office and path administrator) and the local host
// receiver on this system until SIGTERM or SIGINT.
#include "ManagerHost.h"
#include "HelpOption.h"

namespace {

const char* const kUsage =
    "usage: hvmanager [-h]\n"
    "\n"
    "A minimal stand-in for the program that hosts the communication manager:\n"
    "it listens on the manager's control pipe and runs the post office (with\n"
    "its mailbox \"_CaN_tAlK_\"), the path administrator and the local host\n"
    "receiver until it receives SIGTERM or SIGINT. Paths are served by\n"
    "communication agents that register with the administrator (see\n"
    "hvstubagent for a test agent).\n"
    "\n"
    "Environment:\n"
    "  HV_SYSTEM_DIR  the system directory (default /var/lib/holdervane); the\n"
    "                 pipe is run/pipe/mxr_pipe below it\n"
    "  MXRHOSTNAME    this host's name (default: the computer name)\n"
    "\n"
    "It prints \"MxrPipeName: NAME\" and, once listening, one line\n"
    "\"hvmanager: listening ...\" on standard output; diagnostics go to\n"
    "standard error.\n"
    "\n"
    "Exit status:\n"
    "  0  stopped by SIGTERM or SIGINT\n"
    "  1  bad command line\n"
    "  2  the pipe cannot be made (another manager listens on this system\n"
    "     directory, or the directory refuses us)\n"
    "  3  the signals cannot be watched\n";

}  // namespace

int main(int argc, char** argv) {
    if (int rc = portlib::NoArgumentsOrUsage(argc, argv, "hvmanager", kUsage); rc >= 0) return rc;
    return RunManagerHost("hvmanager", nullptr, nullptr);
}
