// The applications table's subcommands of hvconfig, over app_create,
// app_remove, app_list and app_sync. An application is a directory under
// the root (made or removed by the sync, at once after each change).
#include "ConfigCommand.h"

#include "application.h"

std::vector<ConfigCommand> ApplicationCommands() {
    return {
        {"app", "create", "NAME", "define an application", 1, 1, NamedChange<app_create, app_sync>},
        {"app", "remove", "NAME", "remove an application", 1, 1, NamedChange<app_remove, app_sync>},
        {"app", "list", "", "print the application names, one a line", 0, 0, NameList<app_list>},
    };
}
