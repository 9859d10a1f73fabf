#include "platform/RegistryName.h"

#include "platform/FoldedName.h"

namespace portlib::platform {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::string RegistryName::Fold(std::string_view name) { return FoldedName(name, false); }

std::string RegistryName::Unfold(std::string_view encoded) {
    std::string out;
    out.reserve(encoded.size());
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == '%' && i + 2 < encoded.size()) {
            int hi = HexValue(encoded[i + 1]);
            int lo = HexValue(encoded[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out.push_back(static_cast<char>(hi * 16 + lo));
                i += 2;
                continue;
            }
        }
        out.push_back(encoded[i]);
    }
    return out;
}

std::string RegistryName::ValueFile(std::string_view valueName) {
    std::string file = Fold(valueName);
    file += kValueSuffix;
    return file.size() > kMaxFileName ? std::string() : file;
}

std::string RegistryName::KeyDir(std::string_view keyName) {
    std::string dir = Fold(keyName);
    return (dir.empty() || dir.size() > kMaxFileName) ? std::string() : dir;
}

}  // namespace portlib::platform
