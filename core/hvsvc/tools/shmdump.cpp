// shmdump: lists the shared-memory objects that the object-persistence
// service holds. Built from the static client archive; it links no shared
// library of ours.
#include "ListingExitCode.h"
#include "PreserveClient.h"

int main() {
    return hvtools::ListingExitCode(portlib::DumpShmListing());
}
