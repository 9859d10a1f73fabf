#include "platform/NamedPipeName.h"

#include "platform/SystemDir.h"
#include "platform/Win32Error.h"

namespace portlib::platform {

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool Plain(char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
}

void AppendEscaped(std::string* out, char c) {
    static const char kHex[] = "0123456789ABCDEF";
    auto b = static_cast<unsigned char>(c);
    out->push_back('%');
    out->push_back(kHex[b >> 4]);
    out->push_back(kHex[b & 0xF]);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

}  // namespace

std::string EncodePipeName(std::string_view bareName) {
    std::string folded;
    folded.reserve(bareName.size());
    for (char c : bareName) folded.push_back(Lower(c));

    const bool dotsOnly = folded == "." || folded == "..";
    std::size_t lockDot = std::string::npos;
    if (folded.size() >= kPipeLockSuffix.size() &&
        folded.compare(folded.size() - kPipeLockSuffix.size(), kPipeLockSuffix.size(), kPipeLockSuffix) == 0)
        lockDot = folded.size() - kPipeLockSuffix.size();

    std::string out;
    out.reserve(folded.size());
    for (std::size_t i = 0; i < folded.size(); ++i) {
        char c = folded[i];
        if (Plain(c) && !(c == '.' && (dotsOnly || i == lockDot)))
            out.push_back(c);
        else
            AppendEscaped(&out, c);
    }
    return out;
}

int PipeNameToPath(std::string_view name, std::string* path) {
    // "\\" server "\" "pipe" "\" NAME
    if (name.size() < 2 || name[0] != '\\' || name[1] != '\\') return HV_ERROR_INVALID_NAME;
    std::string_view rest = name.substr(2);
    std::size_t cut = rest.find('\\');
    if (cut == std::string_view::npos || cut == 0) return HV_ERROR_INVALID_NAME;
    if (rest.substr(0, cut) != ".") return HV_ERROR_BAD_NETPATH;
    rest = rest.substr(cut + 1);
    cut = rest.find('\\');
    if (cut == std::string_view::npos || !EqualsNoCase(rest.substr(0, cut), "pipe"))
        return HV_ERROR_INVALID_NAME;
    std::string_view bare = rest.substr(cut + 1);
    if (bare.empty()) return HV_ERROR_INVALID_NAME;

    std::string p = SystemPath(SysArea::Pipe);
    p += '/';
    p += EncodePipeName(bare);
    if (p.size() > kPipePathMax) return HV_ERROR_FILENAME_EXCED_RANGE;
    if (path) *path = std::move(p);
    return 0;
}

}  // namespace portlib::platform
