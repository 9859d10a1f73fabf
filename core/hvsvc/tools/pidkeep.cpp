// pidkeep: has the object-persistence service hold a process id.
#include "PreserveClient.h"
#include "PreserveTool.h"

int main(int argc, char** argv) {
    static const hvtools::PreserveTool tool{
        "vp:P:", true, "\nUsage: %s [-v] -p<pid>\n", "Storing the pid: %d\n", "PreserveProcId returned: %d\n", false,
        [](const char*, long pid, int) { return portlib::PreserveProcId(pid, 0, nullptr); }};
    return hvtools::RunPreserveTool(argc, argv, tool);
}
