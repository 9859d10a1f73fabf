// One registry value as a file: the value's name as the caller spelt it, its
// type and its bytes. Layout, little-endian:
//   "HVRV"  u32 type  u32 name length  u32 data length  name bytes  data bytes
// A file whose lengths do not add up to its size is refused (EBADMSG).
#pragma once

#include <cstdint>
#include <string>

namespace portlib::platform {

class RegistryValueFile {
public:
    std::string name;
    std::uint32_t type = 0;
    std::string data;

    std::string Encode() const;
    // 0, or EBADMSG for bytes that are not a value record.
    int Decode(const std::string& bytes);

    // Atomic replacement of the file at `path` (mode 0660). 0 or errno.
    int Write(const std::string& path) const;
    // 0, ENOENT for a missing file, EBADMSG for a damaged one, or errno.
    int Read(const std::string& path);

    // Largest value the store accepts.
    static constexpr std::size_t kMaxData = 16u << 20;
};

}  // namespace portlib::platform
