// The flags table's subcommands of hvconfig, over flg_create, flg_remove,
// flg_test, flg_list and flg_sync. A change is written to the table file at
// once.
#include "ConfigCommand.h"

#include "flg.h"

namespace {

// Exit 0 when the flag exists, 1 when it does not.
int Test(const ConfigArgs& a) {
    const int rc = flg_test(a.SystemOrNull(), a.words[0].c_str(), 0);
    if (rc < 0) return ConfigResult("flag test", rc);
    ConfigResult("flag test", 0);
    return rc == 0 ? kConfigDone : kConfigNo;
}

}  // namespace

std::vector<ConfigCommand> FlagCommands() {
    return {
        {"flag", "create", "NAME", "create a flag", 1, 1, NamedChange<flg_create, flg_sync>},
        {"flag", "remove", "NAME", "remove a flag", 1, 1, NamedChange<flg_remove, flg_sync>},
        {"flag", "test", "NAME", "exit 0 when the flag exists, 1 when not", 1, 1, Test},
        {"flag", "list", "", "print the flag names, one a line", 0, 0, NameList<flg_list>},
        {"flag", "sync", "", "write the flags table file", 0, 0, TableSync<flg_sync>},
    };
}
