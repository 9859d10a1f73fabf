#include "SubsysNames.h"

#include "qdberr.h"
#include "qdbpaths.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace cfgstore {

bool SubsysNameOk(const char* name) {
    if (name == nullptr || *name == '\0') return false;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) return false;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p; ++p)
        if (*p <= ' ' || *p == 0x7F || *p == '/' || *p == '\\') return false;
    return true;
}

int CheckSubsysName(const char* what, const char* name) {
    if (SubsysNameOk(name)) return 0;
    return hv_err(__FILE__, __LINE__, 23, 843, QDB_ARGS,
                  "%s name \"%s\" may not be empty, \".\" or \"..\", or hold '/', '\\', white space or control "
                  "characters",
                  what, name ? name : "");
}

std::string AppDir(const char* app) {
    if (!SubsysNameOk(app)) return {};
    return std::string(RootDir()) + "/subsys/" + app;
}

std::string TypeDir(const char* app, const char* typ) {
    if (!SubsysNameOk(app) || !SubsysNameOk(typ)) return {};
    return AppDir(app) + "/resources/" + typ;
}

int RemoveTree(const std::string& path) {
    if (path.empty()) return 0;
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
    if (ec) {
        errno = ec.value();
        return -1;
    }
    return 0;
}

}  // namespace cfgstore
