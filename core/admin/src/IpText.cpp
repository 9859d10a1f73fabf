#include "IpText.h"

#include <arpa/inet.h>

namespace ipslib {

bool ParseDottedQuad(std::string_view text, std::uint32_t* networkOrder) {
    std::uint32_t host = 0;
    int parts = 0;
    std::size_t i = 0;
    while (parts < 4) {
        unsigned part = 0;
        std::size_t digits = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 3) {
            part = part * 10 + static_cast<unsigned>(text[i] - '0');
            ++i;
            ++digits;
        }
        if (digits == 0 || part > 255) return false;
        host = host << 8 | part;
        ++parts;
        if (parts < 4) {
            if (i >= text.size() || text[i] != '.') return false;
            ++i;
        }
    }
    if (i != text.size()) return false;
    *networkOrder = htonl(host);
    return true;
}

std::string DottedQuad(std::uint32_t networkOrder) {
    char buf[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &networkOrder, buf, sizeof buf);
    return buf;
}

int MaskPrefix(std::uint32_t networkOrderMask) {
    const std::uint32_t m = ntohl(networkOrderMask);
    const std::uint32_t inverted = ~m;
    // Contiguous: the inverted mask is of the form 0...01...1.
    if ((inverted & (inverted + 1)) != 0) return -1;
    int prefix = 0;
    for (std::uint32_t bit = 0x80000000u; bit != 0 && (m & bit); bit >>= 1) ++prefix;
    return prefix;
}

std::uint32_t InetAddr(const std::string& text) { return ::inet_addr(text.c_str()); }

std::vector<std::string> DecodeMultiString(const unsigned char* data, std::size_t size) {
    std::vector<std::string> entries;
    std::size_t at = 0;
    while (at < size && data[at] != 0) {
        std::size_t end = at;
        while (end < size && data[end] != 0) ++end;
        entries.emplace_back(reinterpret_cast<const char*>(data) + at, end - at);
        at = end + 1;
    }
    return entries;
}

bool EncodeMultiString(const std::vector<std::string>& entries, std::string* bytes, std::size_t limit) {
    bytes->clear();
    for (const std::string& e : entries) {
        if (e.empty() || e.find('\0') != std::string::npos) return false;
        bytes->append(e);
        bytes->push_back('\0');
    }
    bytes->push_back('\0');
    return bytes->size() <= limit;
}

}  // namespace ipslib
