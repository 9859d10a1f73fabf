// Where HV-init keeps its files, all under the installation root.
#pragma once

#include <string>

namespace hvsvc {

struct HvinitPaths {
    std::string root;      // "" when the root is not set
    std::string workDir;   // <root>/tmp/hvinit
    std::string etcDir;    // <root>/etc
    std::string tunables;  // <root>/etc/HVinit
    std::string config;    // <root>/etc/hvinit.config

    static HvinitPaths Under(const std::string& root) {
        return {root, root + "/tmp/hvinit", root + "/etc", root + "/etc/HVinit", root + "/etc/hvinit.config"};
    }
};

}  // namespace hvsvc
