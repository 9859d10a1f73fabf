#include "SwitchoverLauncher.h"

#include "DetachedProcess.h"
#include "InstallPaths.h"
#include "ServiceCodes.h"
#include "qdberr.h"

#include "platform/ComputerName.h"

namespace hvsvc {

std::string SwitchoverLauncher::ForwardSlashes(const std::string& dir) {
    std::string copy = dir;
    for (std::size_t i = 1; i < copy.size(); ++i)
        if (copy[i] == '\\') copy[i] = '/';
    return copy;
}

int SwitchoverLauncher::Start() {
    std::string root;
    const int rc = InstallPaths::RootDir(&root);
    if (rc != 0) {
        pxm_err(3, kMsgNoRootDir, __FILE__, __LINE__, 0, 0,
                "Error %u on RegOpenKeyEx for SOFTWARE\\Vexa\\Holdervane\\General key\n", static_cast<unsigned>(rc));
        return rc;
    }
    const std::string bin = root + "/bin/";
    const std::string slashed = ForwardSlashes(bin);
    std::string host;
    if (portlib::platform::ComputerName::Get(&host) != 0) host = "UNKNOWN";
    DetachedSpec spec;
    spec.argv = {"/bin/sh", slashed + "inh_failover.ksh", host};
    spec.workDir = slashed;
    spec.env = {{"HVBIN", bin.c_str()}};
    spec.highPriority = true;
    const int err = DetachedProcess::Start(spec);
    if (err != 0)
        pxm_err(3, kMsgCreateProcessFailed, __FILE__, __LINE__, 0, 0,
                "Stopswitchover failed to Create Process it returned %u\nCommandline %s", static_cast<unsigned>(err),
                DetachedProcess::CommandLine(spec).c_str());
    return err;
}

}  // namespace hvsvc
