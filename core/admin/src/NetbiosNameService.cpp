#include "NetbiosNameService.h"

#include <cctype>
#include <cstring>

namespace nameprobe {

namespace {

constexpr std::uint16_t kFlagResponse = 0x8000;
constexpr std::uint16_t kFlagRecursion = 0x0100;
constexpr std::uint16_t kFlagBroadcast = 0x0010;
constexpr std::size_t kHeader = 12;
constexpr std::size_t kEncodedName = 34;
constexpr std::uint16_t kClassIn = 1;

void Put16(std::vector<std::uint8_t>* p, std::uint16_t v) {
    p->push_back(static_cast<std::uint8_t>(v >> 8));
    p->push_back(static_cast<std::uint8_t>(v));
}

std::uint16_t Get16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); }

}  // namespace

NetbiosName CallName(const std::string& name) {
    NetbiosName out;
    out.fill(' ');
    for (std::size_t i = 0; i < out.size() && i < name.size(); ++i)
        out[i] = static_cast<std::uint8_t>(std::toupper(static_cast<unsigned char>(name[i])));
    out[15] = 0;
    return out;
}

std::vector<std::uint8_t> EncodeName(const NetbiosName& name) {
    std::vector<std::uint8_t> encoded{32};
    for (std::uint8_t b : name) {
        encoded.push_back(static_cast<std::uint8_t>('A' + (b >> 4)));
        encoded.push_back(static_cast<std::uint8_t>('A' + (b & 15)));
    }
    encoded.push_back(0);
    return encoded;
}

std::vector<std::uint8_t> BuildQuery(std::uint16_t id, const NetbiosName& name, std::uint16_t type) {
    std::vector<std::uint8_t> p;
    Put16(&p, id);
    Put16(&p, type == kTypeNb ? kFlagRecursion | kFlagBroadcast : 0);
    Put16(&p, 1);  // one question
    Put16(&p, 0);
    Put16(&p, 0);
    Put16(&p, 0);
    const auto encoded = EncodeName(name);
    p.insert(p.end(), encoded.begin(), encoded.end());
    Put16(&p, type);
    Put16(&p, kClassIn);
    return p;
}

bool IsPositiveAnswer(const std::uint8_t* reply, std::size_t size, std::uint16_t id, const NetbiosName& name,
                      std::uint16_t type) {
    if (size < kHeader + kEncodedName + 4 || size > kMaxReply) return false;
    const std::uint16_t flags = Get16(reply + 2);
    if (Get16(reply) != id || !(flags & kFlagResponse) || ((flags >> 11) & 0xF) != 0 || (flags & 0xF) != 0)
        return false;
    if (Get16(reply + 6) == 0) return false;  // no answer record
    const auto encoded = EncodeName(name);
    if (std::memcmp(reply + kHeader, encoded.data(), kEncodedName) != 0) return false;
    return Get16(reply + kHeader + kEncodedName) == type && Get16(reply + kHeader + kEncodedName + 2) == kClassIn;
}

}  // namespace nameprobe
