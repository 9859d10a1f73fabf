// Case-insensitive names as file names, for the registry store and the named
// pipes alike: ASCII letters folded to lower case, every byte outside
// [a-z0-9_-] (and '.', where the caller keeps dots) written as %XX with
// upper-case hex digits. Two spellings of one name are one file, and no
// name carries a '/'.
#pragma once

#include <string>
#include <string_view>

namespace portlib::platform {

std::string FoldedName(std::string_view name, bool keepDots);

// "%2E" for one '.', the form a dot takes where it may not stand plain.
inline constexpr std::string_view kEscapedDot = "%2E";

}  // namespace portlib::platform
