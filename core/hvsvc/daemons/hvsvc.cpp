// hvsvc: the cluster service. Without arguments it runs as the service
// "Holdervane" in the foreground, controlled through its control pipe
// (hvsvcctl) and by SIGTERM / SIGINT (stop), and tells systemd its state when
// started by it. With any argument it runs its three workers in console mode,
// without control, until killed.
#include "InstallPaths.h"
#include "LinuxMonitorSystem.h"
#include "ServiceFrame.h"
#include "qdberr.h"

int main(int argc, char** /*argv*/) {
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
