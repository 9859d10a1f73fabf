#include "UnixPath.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <string>
#include <sys/stat.h>

namespace portlib {

namespace {

bool IsSep(char c) { return c == '/' || c == '\\'; }
bool IsBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

}  // namespace

char* basename(char* path) {
    thread_local char empty[1];
    if (path == nullptr) {
        empty[0] = '\0';
        return empty;
    }
    std::size_t len = std::strlen(path);
    while (len > 1 && (IsBlank(path[len - 1]) || IsSep(path[len - 1]))) path[--len] = '\0';
    char* last = nullptr;
    for (char* p = path; *p; ++p)
        if (IsSep(*p)) last = p;
    return last ? last + 1 : path;
}

namespace {

std::string DirectoryPart(const char* path) {
    static const std::string kDot(1, '.');
    if (path == nullptr) return kDot;
    while (IsBlank(*path)) ++path;
    std::string_view s(path);
    if (s.size() <= 1) {
        // The root is its own directory.
        return (s.size() == 1 && IsSep(s[0])) ? std::string(s) : kDot;
    }
    if (s == "." || s == "..") return kDot;
    std::size_t end = s.size();
    while (end > 1 && (IsBlank(s[end - 1]) || IsSep(s[end - 1]))) --end;
    std::size_t sep = std::string_view::npos;
    for (std::size_t i = 0; i < end; ++i)
        if (IsSep(s[i])) sep = i;
    if (sep == std::string_view::npos) return kDot;
    if (sep == 0) return std::string(s.substr(0, 1));  // "/file": the root
    std::size_t stop = sep;
    while (stop > 1 && IsSep(s[stop - 1])) --stop;  // "a//b" -> "a"
    std::string dir(s.substr(0, stop));
    if (dir.back() == ':') dir.push_back('\\');
    return dir;
}

}  // namespace

char* dirname(const char* path) {
    thread_local std::string result;
    result = DirectoryPart(path);
    return result.data();
}

int mkdirp(const char* path, unsigned mode) {
    if (path == nullptr) {
        errno = EINVAL;
        return -1;
    }
    while (IsBlank(*path)) ++path;
    if (*path == '\0') {
        errno = EINVAL;
        return -1;
    }
    std::string p(path);
    for (char& c : p)
        if (c == '\\') c = '/';
    for (std::size_t i = 1; i <= p.size(); ++i) {
        if (i != p.size() && p[i] != '/') continue;
        if (p[i - 1] == '/') continue;  // "a//b": the same prefix again; "/": the root
        std::string prefix = p.substr(0, i);
        struct stat st {};
        if (::stat(prefix.c_str(), &st) == 0) {
            if (S_ISDIR(st.st_mode)) continue;
            errno = EACCES;
            return -1;
        }
        if (::mkdir(prefix.c_str(), static_cast<mode_t>(mode)) == 0) continue;
        int err = errno;
        if (err == EEXIST) {
            // Made meanwhile by another process, or a file appeared.
            if (::stat(prefix.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) continue;
            errno = EACCES;
            return -1;
        }
        switch (err) {
        case ENOENT: errno = ENOENT; break;
        case EACCES:
        case EPERM:
        case EROFS:
        case ENOTDIR: errno = EACCES; break;
        default: errno = EINVAL; break;
        }
        return -1;
    }
    return 0;
}

}  // namespace portlib
