// The flags table's subcommands of hvconfig, over flg_create, flg_remove,
// flg_test, flg_list and flg_sync. A change is written to the table file at
// once.
#include "ConfigCommand.h"

#include "flg.h"

namespace {

int Create(const ConfigArgs& a) {
    return ConfigChanged(a, "flag create", flg_create(a.SystemOrNull(), a.words[0].c_str()), flg_sync);
}

int Remove(const ConfigArgs& a) {
    return ConfigChanged(a, "flag remove", flg_remove(a.SystemOrNull(), a.words[0].c_str()), flg_sync);
}

// Exit 0 when the flag exists, 1 when it does not.
int Test(const ConfigArgs& a) {
    const int rc = flg_test(a.SystemOrNull(), a.words[0].c_str(), 0);
    if (rc < 0) return ConfigResult("flag test", rc);
    ConfigResult("flag test", 0);
    return rc == 0 ? kConfigDone : kConfigNo;
}

int List(const ConfigArgs& a) { return ConfigList("flag list", flg_list(a.SystemOrNull())); }

int Sync(const ConfigArgs& a) { return ConfigResult("flag sync", flg_sync(a.SystemOrNull())); }

}  // namespace

std::vector<ConfigCommand> FlagCommands() {
    return {
        {"flag", "create", "NAME", "create a flag", 1, 1, Create},
        {"flag", "remove", "NAME", "remove a flag", 1, 1, Remove},
        {"flag", "test", "NAME", "exit 0 when the flag exists, 1 when not", 1, 1, Test},
        {"flag", "list", "", "print the flag names, one a line", 0, 0, List},
        {"flag", "sync", "", "write the flags table file", 0, 0, Sync},
    };
}
