#include "UnixDir.h"

#include <cstring>
#include <dirent.h>
#include <new>

namespace portlib {

struct DIR {
    ::DIR* stream = nullptr;
    dirent entry;
};

DIR* opendir(const char* path) {
    if (path == nullptr) return nullptr;
    ::DIR* stream = ::opendir(path);
    if (stream == nullptr) return nullptr;
    DIR* d = new (std::nothrow) DIR;
    if (d == nullptr) {
        ::closedir(stream);
        return nullptr;
    }
    d->stream = stream;
    return d;
}

struct dirent* readdir(DIR* d) {
    if (d == nullptr) return nullptr;
    for (;;) {
        struct ::dirent* e = ::readdir(d->stream);
        if (e == nullptr) return nullptr;
        std::size_t len = std::strlen(e->d_name);
        // Linux names are at most 255 bytes; a longer one could not be
        // returned whole, so it is skipped rather than cut.
        if (len > static_cast<std::size_t>(kMaxDirName)) continue;
        std::memcpy(d->entry.d_name, e->d_name, len + 1);
        d->entry.d_reclen = static_cast<std::uint16_t>(len + 12);
        return &d->entry;
    }
}

int closedir(DIR* d) {
    if (d == nullptr) return -1;
    ::closedir(d->stream);
    delete d;
    return 0;
}

void rewinddir(DIR* d) {
    if (d == nullptr) return;
    ::rewinddir(d->stream);
}

}  // namespace portlib
