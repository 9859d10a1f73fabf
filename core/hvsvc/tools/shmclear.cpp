// shmclear: releases a shared-memory object that the object-persistence
// service holds.
#include "PreserveClient.h"
#include "PreserveTool.h"

int main(int argc, char** argv) {
    static const hvtools::PreserveTool tool{
        "vVfFn:N:", false,
        "\nUsage: %s [-vf] -n<Shared Mem Name>\nWhere:\n\tv = Verbose output\n"
        "\tf = Force removal of shm obj, regardless of ref count\n",
        "Removing the shared mem obj: %s\n", "ClearShm returned: %d\n", false,
        [](const char* name, long, int force) { return portlib::ClearShm(name, force); }};
    return hvtools::RunPreserveTool(argc, argv, tool);
}
