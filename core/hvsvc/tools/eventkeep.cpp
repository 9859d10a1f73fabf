// eventkeep: has the object-persistence service hold an event.
#include "PreserveClient.h"
#include "PreserveTool.h"

int main(int argc, char** argv) {
    static const hvtools::PreserveTool tool{
        "vVn:N:", false, "\nUsage: %s [-v] -n<Event Name>\n", "Storing the event: %s\n",
        "PreserveEvent returned: %d\n", false,
        [](const char* name, long, int) { return portlib::PreserveEvent(name); }};
    return hvtools::RunPreserveTool(argc, argv, tool);
}
