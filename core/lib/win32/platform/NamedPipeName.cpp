#include "platform/NamedPipeName.h"

#include "platform/FoldedName.h"
#include "platform/SystemDir.h"
#include "platform/Win32Error.h"

namespace portlib::platform {

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

}  // namespace

std::string EncodePipeName(std::string_view bareName) {
    std::string out = FoldedName(bareName, true);
    if (out == "." || out == "..") {
        std::string dots;
        for (std::size_t i = 0; i < out.size(); ++i) dots += kEscapedDot;
        return dots;
    }
    // Letters and dots stay as they are, so the encoded name ends in ".lock"
    // exactly when the name does, in any case.
    if (out.ends_with(kPipeLockSuffix)) out.replace(out.size() - kPipeLockSuffix.size(), 1, kEscapedDot);
    return out;
}

int PipeNameToPath(std::string_view name, std::string* path, const std::string& systemDir) {
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

    std::string p = SystemPath(SysArea::Pipe, systemDir);
    p += '/';
    p += EncodePipeName(bare);
    if (p.size() > kPipePathMax) return HV_ERROR_FILENAME_EXCED_RANGE;
    if (path) *path = std::move(p);
    return 0;
}

}  // namespace portlib::platform
