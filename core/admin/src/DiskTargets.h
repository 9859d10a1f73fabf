// The devices dismounter works on: a drive letter's volume (through the
// drive table) and the whole disks, numbered PHYSICALDRIVE0, 1 ... in the
// order of their names in /sys/block (disks of size 0 left out).
#pragma once

#include <string>
#include <vector>

namespace hvadmin {

// The device of a drive letter; empty when the table has none.
std::string VolumeDevice(char letter);

// The whole disks' device paths ("/dev/sda" ...). In a build with the test
// suites, HV_TEST_DISKS (names separated by blanks, "loop3 loop5") keeps
// only those, so that a test never touches the machine's own disks.
std::vector<std::string> WholeDisks();

}  // namespace hvadmin
