// What a volume holds, read from its superblock (libblkid): the file-system
// type, label and UUID, the serial number NT would show (the UUID's low 32
// bits), and the name limit and feature flags NT's volume information gives,
// from a table per file-system type. The device is only read.
#pragma once

#include <cstdint>
#include <string>

namespace portlib::platform {

// NT's file-system flags (GetVolumeInformation).
enum FileSystemFlag : std::uint32_t {
    HV_FS_CASE_SENSITIVE_SEARCH = 0x00000001,
    HV_FS_CASE_PRESERVED_NAMES = 0x00000002,
    HV_FS_UNICODE_ON_DISK = 0x00000004,
    HV_FS_PERSISTENT_ACLS = 0x00000008,
    HV_FS_SUPPORTS_SPARSE_FILES = 0x00000040,
    HV_FS_SUPPORTS_REPARSE_POINTS = 0x00000080,
    HV_FS_READ_ONLY_VOLUME = 0x00080000,
    HV_FS_SUPPORTS_HARD_LINKS = 0x00400000,
    HV_FS_SUPPORTS_EXTENDED_ATTRIBUTES = 0x00800000,
};

struct FileSystemInfo {
    std::string type;   // "ext4", "vfat" ...; empty when no file system was found
    std::string label;  // may be empty
    std::string uuid;   // as libblkid spells it
    std::uint32_t serial = 0;
    std::uint32_t maxComponentLength = 0;
    std::uint32_t flags = 0;
};

// 0 with *info filled (type empty when the device holds no known file
// system, or more than one signature); else the errno of opening or reading.
int ProbeFileSystem(const std::string& device, FileSystemInfo* info);

// The UUID's low 32 bits: its last eight hexadecimal digits (a FAT volume id
// "ABCD-1234" is 0xABCD1234); 0 when it has fewer or other characters.
std::uint32_t SerialFromUuid(const std::string& uuid);

// The name limit and flags of a file-system type (0 and 0 for one unknown).
void FileSystemTraits(const std::string& type, std::uint32_t* maxComponentLength, std::uint32_t* flags);

}  // namespace portlib::platform
