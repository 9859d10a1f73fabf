#include "DriveDescription.h"

#include "DriveMap.h"
#include "platform/FileSystemProbe.h"

namespace hvadmin {

DriveDescription DescribeDrive(char letter, std::uint32_t driveMask) {
    DriveDescription d;
    if (letter < 'A' || letter > 'Z' || (driveMask & (1u << (letter - 'A'))) == 0) return d;
    portlib::DriveEntry entry;
    if (portlib::DriveMap::Find(letter, &entry) != 0 || entry.type != portlib::HV_DRIVE_FIXED) return d;
    portlib::platform::FileSystemInfo fs;
    if (portlib::platform::ProbeFileSystem(entry.device, &fs) != 0 || fs.type.empty()) return d;
    d.fixed = true;
    d.volumeName = fs.label.empty() ? "NONE" : fs.label;
    d.serial = fs.serial;
    d.maxComponentLength = fs.maxComponentLength;
    d.flags = fs.flags;
    d.fileSystem = fs.type;
    return d;
}

std::string FormatDrive(const DriveDescription& d) {
    return std::string(d.fixed ? "DRIVE_FIXED" : "NONE") + " " + d.volumeName + " " + std::to_string(d.serial) +
           " " + std::to_string(d.maxComponentLength) + " " + std::to_string(d.flags) + " " + d.fileSystem;
}

}  // namespace hvadmin
