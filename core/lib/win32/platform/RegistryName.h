// File names of registry keys and values. Key and value names are
// case-insensitive: the file name holds the folded name (ASCII letters in
// lower case), every byte other than [a-z0-9_-] percent-encoded as %XX, so a
// key directory never contains '.' and never clashes with a value file
// ("<name>.val") or the store's own files (".lock", ".name", ".tmp-*").
// The spelling the caller used is kept inside the files.
#pragma once

#include <string>
#include <string_view>

namespace portlib::platform {

class RegistryName {
public:
    // Longest file name the store writes (NAME_MAX).
    static constexpr std::size_t kMaxFileName = 255;
    static constexpr std::string_view kValueSuffix = ".val";

    // The folded, encoded form of one key or value name.
    static std::string Fold(std::string_view name);
    // The folded name back from a file name (without the value suffix).
    static std::string Unfold(std::string_view encoded);
    // File name of a value; empty when the encoded name would be too long.
    static std::string ValueFile(std::string_view valueName);
    // Directory name of a subkey; empty when it would be too long.
    static std::string KeyDir(std::string_view keyName);
};

}  // namespace portlib::platform
