#include "platform/FileSystemProbe.h"

#include <blkid/blkid.h>
#include <cerrno>
#include <cstring>

namespace portlib::platform {

namespace {

struct Traits {
    const char* type;
    std::uint32_t maxComponentLength;
    std::uint32_t flags;
};

constexpr std::uint32_t kPosixFlags = HV_FS_CASE_SENSITIVE_SEARCH | HV_FS_CASE_PRESERVED_NAMES |
                                      HV_FS_UNICODE_ON_DISK | HV_FS_PERSISTENT_ACLS | HV_FS_SUPPORTS_SPARSE_FILES |
                                      HV_FS_SUPPORTS_REPARSE_POINTS | HV_FS_SUPPORTS_HARD_LINKS |
                                      HV_FS_SUPPORTS_EXTENDED_ATTRIBUTES;
constexpr std::uint32_t kFatFlags = HV_FS_CASE_PRESERVED_NAMES | HV_FS_UNICODE_ON_DISK;

constexpr Traits kTraits[] = {
    {"ext2", 255, kPosixFlags},
    {"ext3", 255, kPosixFlags},
    {"ext4", 255, kPosixFlags},
    {"xfs", 255, kPosixFlags},
    {"btrfs", 255, kPosixFlags},
    {"vfat", 255, kFatFlags},
    {"exfat", 255, kFatFlags},
    {"ntfs", 255,
     HV_FS_CASE_SENSITIVE_SEARCH | HV_FS_CASE_PRESERVED_NAMES | HV_FS_UNICODE_ON_DISK | HV_FS_PERSISTENT_ACLS |
         HV_FS_SUPPORTS_SPARSE_FILES | HV_FS_SUPPORTS_REPARSE_POINTS | HV_FS_SUPPORTS_HARD_LINKS},
    {"iso9660", 221, HV_FS_CASE_SENSITIVE_SEARCH | HV_FS_UNICODE_ON_DISK | HV_FS_READ_ONLY_VOLUME},
};

std::string Lookup(blkid_probe pr, const char* name) {
    const char* value = nullptr;
    std::size_t len = 0;
    if (blkid_probe_lookup_value(pr, name, &value, &len) != 0 || value == nullptr) return {};
    return std::string(value, ::strnlen(value, len));
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::uint32_t SerialFromUuid(const std::string& uuid) {
    std::uint32_t serial = 0;
    int digits = 0;
    for (auto it = uuid.rbegin(); it != uuid.rend() && digits < 8; ++it) {
        if (*it == '-') continue;
        const int v = HexValue(*it);
        if (v < 0) return 0;
        serial |= static_cast<std::uint32_t>(v) << (4 * digits++);
    }
    return digits == 8 ? serial : 0;
}

void FileSystemTraits(const std::string& type, std::uint32_t* maxComponentLength, std::uint32_t* flags) {
    *maxComponentLength = 0;
    *flags = 0;
    for (const Traits& t : kTraits) {
        if (type == t.type) {
            *maxComponentLength = t.maxComponentLength;
            *flags = t.flags;
            return;
        }
    }
}

int ProbeFileSystem(const std::string& device, FileSystemInfo* info) {
    *info = FileSystemInfo{};
    errno = 0;
    blkid_probe pr = blkid_new_probe_from_filename(device.c_str());
    if (pr == nullptr) return errno != 0 ? errno : EIO;
    blkid_probe_enable_superblocks(pr, 1);
    blkid_probe_set_superblocks_flags(pr, BLKID_SUBLKS_TYPE | BLKID_SUBLKS_LABEL | BLKID_SUBLKS_UUID);
    const int rc = blkid_do_safeprobe(pr);
    int result = 0;
    if (rc == 0) {
        info->type = Lookup(pr, "TYPE");
        info->label = Lookup(pr, "LABEL");
        info->uuid = Lookup(pr, "UUID");
        info->serial = SerialFromUuid(info->uuid);
        FileSystemTraits(info->type, &info->maxComponentLength, &info->flags);
    } else if (rc == -1) {
        result = errno != 0 ? errno : EIO;
    }
    blkid_free_probe(pr);
    return result;
}

}  // namespace portlib::platform
