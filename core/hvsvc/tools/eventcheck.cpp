// eventcheck: is the event held by the object-persistence service?
#include "PreserveClient.h"
#include "PreserveTool.h"

int main(int argc, char** argv) {
    static const hvtools::PreserveTool tool{
        "vVn:N:", false, "\nUsage: %s [-v] -n<Event Name>\n", nullptr, "IsEventPreserved returned: %d\n", false,
        [](const char* name, long, int) { return portlib::IsEventPreserved(name); }};
    return hvtools::RunPreserveTool(argc, argv, tool);
}
