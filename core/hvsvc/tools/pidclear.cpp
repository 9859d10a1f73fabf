// pidclear: releases a process id that the object-persistence service holds.
#include "PreserveClient.h"
#include "PreserveTool.h"

int main(int argc, char** argv) {
    static const hvtools::PreserveTool tool{
        "vp:P:", true, "\nUsage: %s [-v] -p<pid>\n", nullptr, "\nClearProcId(%d) returned: %d\n", true,
        [](const char*, long pid, int) { return portlib::ClearProcId(pid); }};
    return hvtools::RunPreserveTool(argc, argv, tool);
}
