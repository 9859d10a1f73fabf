// A drive letter described as NT's volume information gives it: drive type,
// volume name, serial number, name limit, flags and file-system name. The
// letters are those of the drive table (portlib::DriveMap); a fixed drive's
// volume is read by the file-system probe.
#pragma once

#include <cstdint>
#include <string>

namespace hvadmin {

struct DriveDescription {
    bool fixed = false;
    std::string volumeName = "NONE";
    std::uint32_t serial = 0;
    std::uint32_t maxComponentLength = 0;
    std::uint32_t flags = 0;
    std::string fileSystem = "NONE";
};

// A drive that is absent, not fixed, or holds no file system the probe
// knows is "NONE NONE 0 0 0 NONE"; an empty volume name reads "NONE".
DriveDescription DescribeDrive(char letter, std::uint32_t driveMask);

// "<type> <volume> <serial> <limit> <flags> <file system>".
std::string FormatDrive(const DriveDescription& drive);

}  // namespace hvadmin
