// Directory reading with the Unix interface, as portlib's own types: the
// names are those of <dirent.h> but live in namespace portlib, so the library
// never replaces libc's functions for the process.
#pragma once

#include <cstdint>

namespace portlib {

inline constexpr int kMaxDirName = 260;

struct dirent {
    std::int32_t d_ino = 0;
    std::int32_t d_off = 0;
    std::uint16_t d_reclen = 0;  // length of d_name + 12
    char d_name[kMaxDirName + 1] = {};
};

struct DIR;  // one open listing

// Null when the directory cannot be read.
DIR* opendir(const char* path);
// The next entry ("." and ".." included), null at the end or for a null
// listing. The same storage is returned on every call for one listing.
struct dirent* readdir(DIR* d);
// -1 for null, else 0.
int closedir(DIR* d);
void rewinddir(DIR* d);

}  // namespace portlib
