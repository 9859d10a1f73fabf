// eventclear: releases an event that the object-persistence service holds.
#include "PreserveClient.h"
#include "PreserveTool.h"

int main(int argc, char** argv) {
    static const hvtools::PreserveTool tool{
        "vVfFn:N:", false,
        "\nUsage: %s [-vf] -n<Event Name>\nWhere:\n\tv = Verbose output\n"
        "\tf = Force removal of event, regardless of ref count\n",
        "Removing the event: %s\n", "ClearEvent returned: %d\n", false,
        [](const char* name, long, int force) { return portlib::ClearEvent(name, force); }};
    return hvtools::RunPreserveTool(argc, argv, tool);
}
