// IPv4 texts of the adapter settings: dotted addresses read strictly, masks
// that must be contiguous, and the multi-string lists the registry keeps
// (each entry ends with a NUL, an empty string ends the list), bounded both
// ways: a list is never read past its buffer, nor written past its limit.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ipslib {

// Bytes one list may take, with every terminator.
inline constexpr std::size_t kListBytes = 1024;

// "a.b.c.d", each part a decimal of 0-255 (no sign, at most three digits).
// The address in network byte order. "1.2.3" and "999.1.1.1" are refused.
bool ParseDottedQuad(std::string_view text, std::uint32_t* networkOrder);
std::string DottedQuad(std::uint32_t networkOrder);

// The prefix length of a contiguous mask; -1 for one with a hole.
int MaskPrefix(std::uint32_t networkOrderMask);

// What inet_addr makes of a text, for comparing addresses by value: the
// classic forms (also "1.2.3", octal and hex parts); INADDR_NONE when bad.
std::uint32_t InetAddr(const std::string& text);

// The entries of a multi-string held in `size` bytes; reading stops at the
// empty string or at the buffer's end, whichever comes first.
std::vector<std::string> DecodeMultiString(const unsigned char* data, std::size_t size);
// The list's bytes with the final empty string. False when an entry is empty
// or holds a NUL, or when the whole exceeds `limit` bytes.
bool EncodeMultiString(const std::vector<std::string>& entries, std::string* bytes,
                       std::size_t limit = kListBytes);

}  // namespace ipslib
