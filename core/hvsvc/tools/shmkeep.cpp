// shmkeep: has the object-persistence service hold a shared-memory object.
#include "PreserveClient.h"
#include "PreserveTool.h"

int main(int argc, char** argv) {
    static const hvtools::PreserveTool tool{
        "vVn:N:", false, "\nUsage: %s [-v] -n<Shared Mem Name>\n", "Storing the shared mem obj: %s\n",
        "PreserveShm returned: %d\n", false,
        [](const char* name, long, int) { return portlib::PreserveShm(name); }};
    return hvtools::RunPreserveTool(argc, argv, tool);
}
