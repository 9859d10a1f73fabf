// A short demonstration of what is built so far: where this system keeps its
// machine-wide state, its computer name, and its settings in the registry.
#include "RegHV.h"
#include "HelpOption.h"
#include "UnixSystem.h"
#include "platform/SystemDir.h"
#include "platform/Win32Error.h"

#include <cstdio>

int main(int argc, char** argv) {
    static const char* const kUsage =
        "usage: hvdemo\n"
        "Prints where this system keeps its machine-wide state, its computer name\n"
        "and its registry settings.\n"
        "Exit status: 0 done; 1 bad command line.\n";
    if (const int code = portlib::NoArgumentsOrUsage(argc, argv, "hvdemo", kUsage); code >= 0) return code;
    using namespace portlib::platform;
    std::printf("Holdervane system directory: %s\n", SystemDir().c_str());
    std::printf("  registry: %s\n  pipes:    %s\n  log:      %s\n",
                SystemPath(SysArea::Registry).c_str(), SystemPath(SysArea::Pipe).c_str(),
                SystemPath(SysArea::Log).c_str());

    portlib::utsname u;
    if (portlib::uname(&u) == 0)
        std::printf("Computer name: %s\n", u.nodename);
    else
        std::printf("Computer name: (invalid ComputerName in the registry)\n");

    // The root directory setting: read it, and store a default when there is none.
    char root[128];
    portlib::DWORD size = sizeof root;
    int rc = portlib::RegHVGetStr("General", "RootDir", root, &size, nullptr);
    if (rc == HV_ERROR_FILE_NOT_FOUND) {
        rc = portlib::RegHVSetStr("General", "RootDir", "/opt/holdervane", portlib::HV_REG_SZ);
        size = sizeof root;
        if (rc == 0) rc = portlib::RegHVGetStr("General", "RootDir", root, &size, nullptr);
    }
    if (rc == 0)
        std::printf("General\\RootDir: %s\n", root);
    else
        std::printf("General\\RootDir: registry error %d\n", rc);
    return 0;
}
