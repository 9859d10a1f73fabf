// shmdump: lists the shared-memory objects that the object-persistence
// service holds. Built from the static client archive; it links no shared
// library of ours.
#include "HelpOption.h"
#include "ListingExitCode.h"
#include "PreserveClient.h"

int main(int argc, char** argv) {
    static const char* const kUsage =
        "usage: shmdump\n"
        "Lists the shared-memory objects the object-persistence service holds:\n"
        "number, name, handle and reference count.\n"
        "Exit status: 0 listed; 1 bad command line; else the low bits of the error.\n";
    if (const int code = portlib::NoArgumentsOrUsage(argc, argv, "shmdump", kUsage); code >= 0) return code;
    return hvtools::ListingExitCode(portlib::DumpShmListing());
}
