// Drive letters on Linux: one table in the system directory maps each letter
// to a block device, as NT's DOS device names map "E:" to a volume.
//
//   $HV_SYSTEM_DIR/drivemap, one line per drive:
//       <letter>: <device path> [fixed|removable|remote|cdrom]
//   e.g. "E: /dev/loop3 fixed". Blank lines and lines starting with '#' are
//   skipped; the kind defaults to fixed. A line that does not parse (a letter
//   outside A-Z, a device that is not an absolute path, a second line for the
//   same letter) is skipped too, so one bad line hides only itself.
//
// The present drives (GetLogicalDrives) are the letters of the table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace portlib {

// GetDriveType's numbers.
enum DriveType : unsigned {
    HV_DRIVE_UNKNOWN = 0,
    HV_DRIVE_REMOVABLE = 2,
    HV_DRIVE_FIXED = 3,
    HV_DRIVE_REMOTE = 4,
    HV_DRIVE_CDROM = 5,
};

struct DriveEntry {
    char letter = 0;  // 'A'..'Z'
    std::string device;
    unsigned type = HV_DRIVE_FIXED;
};

class DriveMap {
public:
    static constexpr std::size_t kMaxFileBytes = 64 * 1024;

    // The table's file.
    static std::string Path();

    // Every drive, by letter. A missing file is an empty table (0). 0 or errno.
    static int Load(std::vector<DriveEntry>* drives);
    // The drive of a letter (either case). 0; ENOENT when it has none; errno.
    static int Find(char letter, DriveEntry* drive);
    // Bit n set for each drive 'A'+n in the table (0 when there is none).
    static std::uint32_t LogicalDrives();

    // Replaces the table (setup and tests). 0, EINVAL for a bad entry, errno.
    static int Save(const std::vector<DriveEntry>& drives);

    // Parses the file's text (bad lines skipped) into drives sorted by letter.
    static void Parse(const std::string& text, std::vector<DriveEntry>* drives);
};

}  // namespace portlib
