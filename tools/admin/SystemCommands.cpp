// The systems table's subcommands of hvconfig, over sys_create, sys_remove,
// sys_setstate, sys_getstate, sys_getdescr, sys_list and sys_sync. A change
// of the local database is written to its table file at once, so that it
// outlives the database's segment.
#include "ConfigCommand.h"

#include "systems.h"

#include <cstdio>
#include <string>

namespace {

int SetState(const ConfigArgs& a) {
    if (a.words[1].size() != 1 || std::string("ADU").find(a.words[1][0]) == std::string::npos) {
        std::fprintf(stderr, "hvconfig: sys set-state: the state is A, D or U, not \"%s\"\n", a.words[1].c_str());
        return kConfigUsage;
    }
    const char* descr = a.words.size() > 2 ? a.words[2].c_str() : nullptr;
    return ConfigChanged(a, "sys set-state", sys_setstate(a.SystemOrNull(), a.words[0].c_str(), a.words[1][0], descr),
                         sys_sync);
}

// "NAME STATE DESCRIPTION" of one system; 'U' with an error for an unknown one.
int State(const ConfigArgs& a) {
    const char* name = a.words[0].c_str();
    const int state = sys_getstate(a.SystemOrNull(), name);
    if (ConfigErrorPending()) return ConfigResult("sys state", -1);
    char descr[1024] = "";  // a text of the segment holds at most 464 bytes
    sys_getdescr(a.SystemOrNull(), name, descr);
    std::printf("%s %c %s\n", name, static_cast<char>(state), descr);
    return ConfigResult("sys state", 0);
}

}  // namespace

std::vector<ConfigCommand> SystemCommands() {
    return {
        {"sys", "create", "NAME", "define a system", 1, 1, NamedChange<sys_create, sys_sync>},
        {"sys", "remove", "NAME", "remove a system (its paths and cached database go)", 1, 1,
         NamedChange<sys_remove, sys_sync>},
        {"sys", "set-state", "NAME A|D|U [DESCRIPTION]", "set a system's state", 2, 3, SetState},
        {"sys", "state", "NAME", "print \"NAME STATE DESCRIPTION\"", 1, 1, State},
        {"sys", "list", "", "print the system names, one a line", 0, 0, NameList<sys_list>},
        {"sys", "sync", "", "write the systems table file", 0, 0, TableSync<sys_sync>},
    };
}
