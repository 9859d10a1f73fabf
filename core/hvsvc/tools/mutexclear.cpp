// mutexclear: releases a mutex that the object-persistence service holds.
#include "PreserveClient.h"
#include "PreserveTool.h"

int main(int argc, char** argv) {
    static const hvtools::PreserveTool tool{
        "vVfFn:N:", false,
        "\nUsage: %s [-vf] -n<Mutex Name>\nWhere:\n\tv = Verbose output\n"
        "\tf = Force removal of mutex, regardless of ref count\n",
        "Removing the mutex: %s\n", "ClearMutex returned: %d\n", false,
        [](const char* name, long, int force) { return portlib::ClearMutex(name, force); }};
    return hvtools::RunPreserveTool(argc, argv, tool);
}
