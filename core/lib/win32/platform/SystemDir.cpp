#include "platform/SystemDir.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>

namespace portlib::platform {

namespace {

const char* AreaSuffix(SysArea area) {
    switch (area) {
    case SysArea::Root: return "";
    case SysArea::Registry: return "/registry";
    case SysArea::Pipe: return "/run/pipe";
    case SysArea::Shm: return "/run/shm";
    case SysArea::Sync: return "/run/sync";
    case SysArea::Log: return "/log";
    }
    return "";
}

// mkdir -p with mode 0770; a directory made meanwhile by another process is success.
int MakeTree(const std::string& path) {
    if (path.empty()) return EINVAL;
    for (std::size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos != path.size() && path[pos] != '/') continue;
        std::string prefix = path.substr(0, pos);
        if (::mkdir(prefix.c_str(), 0770) == 0) continue;
        if (errno != EEXIST) return errno;
        struct stat st {};
        if (::stat(prefix.c_str(), &st) != 0) return errno;
        if (!S_ISDIR(st.st_mode)) return ENOTDIR;
    }
    return 0;
}

}  // namespace

std::string SystemDir() {
    const char* env = std::getenv("HV_SYSTEM_DIR");
    std::string dir = (env && *env) ? env : kDefaultSystemDir;
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
}

std::string SystemPath(SysArea area) { return SystemDir() + AreaSuffix(area); }

std::string SystemPath(SysArea area, const std::string& systemDir) {
    if (systemDir.empty()) return SystemPath(area);
    std::string dir = systemDir;
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir + AreaSuffix(area);
}

int EnsureSystemPath(SysArea area, std::string* path) {
    std::string p = SystemPath(area);
    if (path) *path = p;
    return MakeTree(p);
}

}  // namespace portlib::platform
