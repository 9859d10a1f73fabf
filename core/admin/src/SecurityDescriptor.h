// NT's self-relative security descriptor as bytes: the hexadecimal text of a
// share file turned into bytes, and the validity test the share functions
// apply before they keep one.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hvadmin {

// Two digits per byte, high digit first, "0"-"9", "A"-"F" or "a"-"f". False
// for an odd count, an empty text or any other character.
bool HexToBytes(std::string_view hex, std::vector<std::uint8_t>* bytes);
// Upper-case hexadecimal text of the bytes.
std::string BytesToHex(const std::vector<std::uint8_t>& bytes);

// True when the bytes are a self-relative descriptor of revision 1 whose
// owner, group, system and discretionary lists each lie wholly inside the
// buffer and are themselves sound: every SID of revision 1 with at most 15
// sub-authorities, every ACL of revision 2 or 4 whose entries fill it
// exactly as their sizes say.
bool IsValidSelfRelativeDescriptor(const std::vector<std::uint8_t>& sd);

}  // namespace hvadmin
