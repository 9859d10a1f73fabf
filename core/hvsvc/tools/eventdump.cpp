// eventdump: lists the events that the object-persistence service holds.
// Built from the static client archive; it links no shared library of ours.
#include "HelpOption.h"
#include "ListingExitCode.h"
#include "PreserveClient.h"

int main(int argc, char** argv) {
    static const char* const kUsage =
        "usage: eventdump\n"
        "Lists the events the object-persistence service holds: number, name,\n"
        "handle and reference count.\n"
        "Exit status: 0 listed; 1 bad command line; else the low bits of the error.\n";
    if (const int code = portlib::NoArgumentsOrUsage(argc, argv, "eventdump", kUsage); code >= 0) return code;
    return hvtools::ListingExitCode(portlib::DumpEventData());
}
