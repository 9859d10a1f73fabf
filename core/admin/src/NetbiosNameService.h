// The NetBIOS name service packets a name probe sends and the answers it
// accepts (UDP port 137): a broadcast name query and a node status query
// for one 16-byte NetBIOS name, and the check that a reply is the positive
// answer to exactly that question. Replies are bounded to 576 bytes.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace nameprobe {

inline constexpr std::uint16_t kNameServicePort = 137;
inline constexpr std::size_t kMaxReply = 576;
inline constexpr std::uint16_t kTypeNb = 0x0020;      // name query
inline constexpr std::uint16_t kTypeNbstat = 0x0021;  // node status

using NetbiosName = std::array<std::uint8_t, 16>;

// The call name: upper-cased, cut to 16 or padded with blanks to 16, its
// last byte then 0 (at most 15 characters and the name-type byte 0).
NetbiosName CallName(const std::string& name);

// The name in first-level encoding: length 32, two letters per byte, the
// empty root label.
std::vector<std::uint8_t> EncodeName(const NetbiosName& name);

// A question for the name: broadcast name query or node status query.
std::vector<std::uint8_t> BuildQuery(std::uint16_t id, const NetbiosName& name, std::uint16_t type);

// True for a positive answer (response, query opcode, no error, one answer or
// more) with this id whose first answer is for this name and type.
bool IsPositiveAnswer(const std::uint8_t* reply, std::size_t size, std::uint16_t id, const NetbiosName& name,
                      std::uint16_t type);

}  // namespace nameprobe
