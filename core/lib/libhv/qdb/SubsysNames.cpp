#include "SubsysNames.h"

#include "qdberr.h"
#include "qdbfile.h"
#include "qdbpaths.h"

#include "UnixPath.h"

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

std::string SafeEntries(char* listing) {
    std::string kept;
    char* field = nullptr;
    for (char* p = listing; p != nullptr;) {
        p = qdbstrscan(p, &field, nullptr);
        if (!SubsysNameOk(field)) continue;
        kept += field;
        kept += '\x01';
    }
    return kept;
}

std::string AppDir(const char* app) {
    if (!SubsysNameOk(app)) return {};
    return std::string(RootDir()) + "/subsys/" + app;
}

std::string TypeDir(const char* app, const char* typ) {
    if (!SubsysNameOk(app) || !SubsysNameOk(typ)) return {};
    return AppDir(app) + "/resources/" + typ;
}

int MakeDirs(const std::vector<std::string>& dirs, int msgnum, const char* format) {
    int rc = 0;
    for (const std::string& d : dirs)
        if (portlib::mkdirp(d.c_str(), 0700) != 0 && errno != EEXIST) rc = hv_err(__FILE__, __LINE__, 24, msgnum, format, d.c_str());
    return rc;
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
