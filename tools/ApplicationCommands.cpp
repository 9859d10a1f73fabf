// The applications table's subcommands of hvconfig, over app_create,
// app_remove, app_list and app_sync. An application is a directory under
// the root (made or removed by the sync, at once after each change).
#include "ConfigCommand.h"

#include "application.h"

namespace {

int Create(const ConfigArgs& a) {
    return ConfigChanged(a, "app create", app_create(a.SystemOrNull(), a.words[0].c_str()), app_sync);
}

int Remove(const ConfigArgs& a) {
    return ConfigChanged(a, "app remove", app_remove(a.SystemOrNull(), a.words[0].c_str()), app_sync);
}

int List(const ConfigArgs& a) { return ConfigList("app list", app_list(a.SystemOrNull())); }

}  // namespace

std::vector<ConfigCommand> ApplicationCommands() {
    return {
        {"app", "create", "NAME", "define an application", 1, 1, Create},
        {"app", "remove", "NAME", "remove an application", 1, 1, Remove},
        {"app", "list", "", "print the application names, one a line", 0, 0, List},
    };
}
