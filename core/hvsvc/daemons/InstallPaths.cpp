#include "InstallPaths.h"

#include "RegHV.h"

#include <unistd.h>

namespace hvsvc {

int InstallPaths::RootDir(std::string* root) {
    char buf[256];
    portlib::DWORD size = sizeof buf;
    portlib::DWORD type = 0;
    const int rc = portlib::RegHVGetStr("General", "RootDir", buf, &size, &type);
    if (rc != 0) return rc;
    if (type != portlib::HV_REG_SZ || buf[0] == '\0') return 13;
    root->assign(buf);
    while (root->size() > 1 && root->back() == '/') root->pop_back();
    return 0;
}

std::string InstallPaths::ProgramDir() {
    std::string root;
    return RootDir(&root) == 0 ? root + "/bin/" : std::string();
}

void InstallPaths::RemoveRunningFile() {
    std::string root;
    if (RootDir(&root) == 0) (void)::unlink((root + "/tmp/RUNNING").c_str());
}

}  // namespace hvsvc
