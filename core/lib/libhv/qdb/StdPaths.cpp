#include "qdbpaths.h"

#include "RegHV.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

namespace {

constexpr int kPathCount = kQdbPathCount;

// A leading \x01 marks a name relative to the root, returned without it; in
// the order of QdbPath.
const char* const kPathTable[kPathCount] = {
    "/config/HV_START_TIME",
    "/out/log",
    "/dev/osm",
    "\x01" "configuration",
    "/corefiles",
    "\x01" "HVNT",
    "\x01" "config/systems",
    "\x01" "config/networks",
    "\x01" "subsys",
    "\x01" "subsys/%s/resources",
    "\x01" "subsys/%s/resources/%s/instances",
    "\x01" "subsys/%s/resources/%s/instances",
    "\x01" "config/equivalencies",
    "\x01" "config/flg",
    "\x01" "config",
    "\x01" "subsys/%s/resources/%s",
    "/subsys/%s/resources",
    "/subsys/%s/resources/%s/recovery",
    "",
    "/out/MXR",
    "/out/QDB",
    "/out/TTYMXR",
    "/out/remote_execute",
    "/bin/sh.exe",
    "/bin/nohup.exe",
    "/bin/rm",
    "/bin/qdbrecover",
    "/bin/qdbdorem",
    "/bin/eventsmxr",
    "/bin/sendevent",
    "/etc/Holdervane",
    "\x01" "%s/%s",
    "\x01" "%s/%s/%s",
    "/NOPROCLOCK",
    "/out",
    "/events/%s/%s/HV_IGN",
    "/bin/recover",
    "/tmp/HV_IS_UNAVAIL",
    "/tmp/READTUNABLES",
    "/tmp/CREATEMANY",
    "/tmp/QDBINITRES",
    "/bin/priocntl",
    "/tmp/",
};

std::once_flag g_built;
char* g_paths[kPathCount];

std::string FindRoot() {
    std::string root;
    if (const char* env = std::getenv("TEST_ROOT")) {
        root = env;
    } else {
        char buf[128] = {};
        portlib::DWORD size = sizeof buf;
        portlib::DWORD type = 0;
        if (portlib::RegHVGetStr("General", "RootDir", buf, &size, &type) == 0) root = buf;
    }
    for (char& c : root)
        if (c == '\\') c = '/';
    while (!root.empty() && root.back() == '/') root.pop_back();
    return root;
}

void Build() {
    const std::string root = FindRoot();
    for (int n = 0; n < kPathCount; ++n) {
        const char* entry = kPathTable[n];
        std::string path;
        if (entry[0] == '\x01') {
            path = entry + 1;
        } else {
            path = root;
            if (entry[0] != '\0' && entry[0] != '/') path += '/';
            path += entry;
        }
        g_paths[n] = ::strdup(path.c_str());
        if (g_paths[n] == nullptr) std::abort();
    }
}

}  // namespace

extern "C" const char* gps(int n) {
    if (n < 0 || n >= kPathCount) return nullptr;
    std::call_once(g_built, Build);
    return g_paths[n];
}

extern "C" int qdb_uname(portlib::utsname* u) {
    if (u == nullptr || portlib::uname(u) != 0) return -1;
    if (const char* name = std::getenv("TEST_UNAME")) {
        std::strncpy(u->sysname, name, portlib::kUtsFieldSize - 1);
        u->sysname[portlib::kUtsFieldSize - 1] = '\0';
        std::strncpy(u->nodename, name, portlib::kUtsFieldSize - 1);
        u->nodename[portlib::kUtsFieldSize - 1] = '\0';
    }
    return 0;
}

namespace cfgstore {

const char* RootDir() { return pQdb_rootdir ? pQdb_rootdir : gps(kPathRoot); }

}  // namespace cfgstore
