#include "SecurityDescriptor.h"

namespace hvadmin {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Little-endian fields of the descriptor.
std::uint32_t U16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at] | (b[at + 1] << 8));
}
std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return U16(b, at) | (U16(b, at + 2) << 16);
}

constexpr std::size_t kHeaderSize = 20;
constexpr std::uint32_t kSelfRelative = 0x8000;
constexpr std::uint32_t kDaclPresent = 0x0004;
constexpr std::uint32_t kSaclPresent = 0x0010;
constexpr std::size_t kAclHeader = 8;
constexpr std::size_t kAceHeader = 4;
constexpr unsigned kMaxSubAuthorities = 15;

// A SID at [at, end): revision 1, its sub-authorities inside.
bool SidFits(const std::vector<std::uint8_t>& b, std::size_t at, std::size_t end) {
    if (at >= end || end - at < 8) return false;
    if (b[at] != 1 || b[at + 1] > kMaxSubAuthorities) return false;
    return end - at >= 8 + 4u * b[at + 1];
}

// An ACL at `at`: its declared size inside the buffer, every entry inside it.
bool AclFits(const std::vector<std::uint8_t>& b, std::size_t at) {
    if (at > b.size() || b.size() - at < kAclHeader) return false;
    const std::uint8_t revision = b[at];
    if (revision != 2 && revision != 4) return false;
    const std::size_t size = U16(b, at + 2);
    const std::size_t count = U16(b, at + 4);
    if (size < kAclHeader || size > b.size() - at) return false;
    const std::size_t end = at + size;
    std::size_t ace = at + kAclHeader;
    for (std::size_t i = 0; i < count; ++i) {
        if (end - ace < kAceHeader) return false;
        const std::uint8_t type = b[ace];
        const std::size_t aceSize = U16(b, ace + 2);
        if (aceSize < kAceHeader || aceSize % 4 != 0 || aceSize > end - ace) return false;
        // Allowed, denied, audit and alarm entries: a mask, then the SID.
        if (type <= 3 && !SidFits(b, ace + 8, ace + aceSize)) return false;
        ace += aceSize;
    }
    return true;
}

}  // namespace

bool HexToBytes(std::string_view hex, std::vector<std::uint8_t>* bytes) {
    bytes->clear();
    if (hex.empty() || hex.size() % 2 != 0) return false;
    bytes->reserve(hex.size() / 2);
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int hi = HexDigit(hex[i]);
        const int lo = HexDigit(hex[i + 1]);
        if (hi < 0 || lo < 0) return false;
        bytes->push_back(static_cast<std::uint8_t>(hi << 4 | lo));
    }
    return true;
}

std::string BytesToHex(const std::vector<std::uint8_t>& bytes) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (std::uint8_t b : bytes) {
        hex.push_back(kDigits[b >> 4]);
        hex.push_back(kDigits[b & 15]);
    }
    return hex;
}

bool IsValidSelfRelativeDescriptor(const std::vector<std::uint8_t>& sd) {
    if (sd.size() < kHeaderSize || sd[0] != 1) return false;
    const std::uint32_t control = U16(sd, 2);
    if ((control & kSelfRelative) == 0) return false;
    const std::uint32_t owner = U32(sd, 4), group = U32(sd, 8), sacl = U32(sd, 12), dacl = U32(sd, 16);
    // Nothing may overlap the header.
    for (std::uint32_t off : {owner, group, sacl, dacl})
        if (off != 0 && off < kHeaderSize) return false;
    if (owner != 0 && !SidFits(sd, owner, sd.size())) return false;
    if (group != 0 && !SidFits(sd, group, sd.size())) return false;
    if ((control & kSaclPresent) && sacl != 0 && !AclFits(sd, sacl)) return false;
    if ((control & kDaclPresent) && dacl != 0 && !AclFits(sd, dacl)) return false;
    // A list that is not flagged present must not be pointed at.
    if (!(control & kSaclPresent) && sacl != 0) return false;
    if (!(control & kDaclPresent) && dacl != 0) return false;
    return true;
}

}  // namespace hvadmin
