// The dependencies' subcommands of hvconfig, over dep_create, dep_remove and
// dep_list. Dependencies are stored in the instances files (res_sync).
#include "ConfigCommand.h"

#include "dependency.h"
#include "hvresource.h"

namespace {

int Create(const ConfigArgs& a) {
    return ConfigChanged(a, "dep create", dep_create(a.SystemOrNull(), a.words[0].c_str(), a.words[1].c_str()),
                         res_sync);
}

int Remove(const ConfigArgs& a) {
    return ConfigChanged(a, "dep remove",
                         dep_remove(a.SystemOrNull(), a.words[0].c_str(), a.words[1].c_str(), nullptr), res_sync);
}

// "PARENT CHILD" of every dependency below TAG.
int List(const ConfigArgs& a) {
    return ConfigList("dep list", dep_list(a.SystemOrNull(), a.words[0].c_str(), 2, nullptr, nullptr, ' '));
}

}  // namespace

std::vector<ConfigCommand> DependencyCommands() {
    return {
        {"dep", "create", "PARENT CHILD", "make the parent instance depend on the child", 2, 2, Create},
        {"dep", "remove", "PARENT CHILD", "remove a dependency", 2, 2, Remove},
        {"dep", "list", "TAG", "print \"PARENT CHILD\" of every dependency below TAG", 1, 1, List},
    };
}
