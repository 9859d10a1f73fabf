// hvsvc: the cluster service. Without arguments it runs as the service
// "Holdervane" in the foreground, controlled through its control pipe
// (hvsvcctl) and by SIGTERM / SIGINT (stop), and tells systemd its state when
// started by it. With any other argument than --help it runs its three
// workers in console mode, without control, until killed.
#include "HelpOption.h"
#include "InstallPaths.h"
#include "LinuxMonitorSystem.h"
#include "ServiceFrame.h"
#include "qdberr.h"

namespace {

constexpr const char* kHelp =
    "usage: hvsvc [console]\n"
    "\n"
    "The cluster service \"Holdervane\". Without an argument it runs in the\n"
    "foreground as the service: object persistence on\n"
    "\"\\\\.\\pipe\\ProcPreserveService\", volume locks on \"\\\\.\\pipe\\hvlockpipe\",\n"
    "the HV-init monitor on \"\\\\.\\pipe\\hvinitpipe\"; hvsvcctl drives it through its\n"
    "control pipe, SIGTERM or SIGINT stop it. With any argument it runs the\n"
    "same three workers in console mode, without control, until killed.\n"
    "\n"
    "Exit status: 0 stopped; 1 the service could not start or a worker failed.\n";

}  // namespace

int main(int argc, char** argv) {
    if (portlib::AsksForHelp(argc, argv)) return portlib::PrintHelp(kHelp, "");
    // Before any thread opens a descriptor: a pidfd of the HV-init monitor
    // must never be 0 or 1, which its table reads as "no handle".
    hvsvc::LinuxMonitorSystem::KeepStandardDescriptors();
    hvsvc::InstallPaths::RemoveRunningFile();
    set_errinfo("Hvinit:", "/usr/alarm/out/HVINIT", 4, nullptr);
    hvsvc::ServiceFrame frame;
    if (argc > 1) frame.RunConsole();
    // Before any thread starts, so that only the control thread takes them.
    hvsvc::ControlPipeServer::BlockStopSignals();
    return frame.RunService();
}
