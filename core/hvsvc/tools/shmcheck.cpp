// shmcheck: is the shared-memory object held by the object-persistence service?
#include "PreserveClient.h"
#include "PreserveTool.h"

int main(int argc, char** argv) {
    static const hvtools::PreserveTool tool{
        "vVn:N:", false, "\nUsage: %s [-v] -n<Shared Mem Name>\n", nullptr, "IsShmPreserved returned: %d\n", false,
        [](const char* name, long, int) { return portlib::IsShmPreserved(name); }};
    return hvtools::RunPreserveTool(argc, argv, tool);
}
