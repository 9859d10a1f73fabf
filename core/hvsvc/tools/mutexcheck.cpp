// mutexcheck: is the mutex held by the object-persistence service?
#include "PreserveClient.h"
#include "PreserveTool.h"

int main(int argc, char** argv) {
    static const hvtools::PreserveTool tool{
        "vVn:N:", false, "\nUsage: %s [-v] -n<Mutex Name>\n", nullptr, "IsMutexPreserved returned: %d\n", false,
        [](const char* name, long, int) { return portlib::IsMutexPreserved(name); }};
    return hvtools::RunPreserveTool(argc, argv, tool);
}
