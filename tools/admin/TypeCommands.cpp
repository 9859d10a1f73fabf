// The resource types' subcommands of hvconfig, over typ_create, typ_remove,
// typ_list and typ_sync. A type is a directory of its application (made or
// removed by the sync, at once after each change).
#include "ConfigCommand.h"

#include "resource_type.h"

namespace {

int Create(const ConfigArgs& a) {
    return ConfigChanged(a, a.command.c_str(), typ_create(a.SystemOrNull(), a.words[0].c_str(), a.words[1].c_str()),
                         typ_sync);
}

int Remove(const ConfigArgs& a) {
    return ConfigChanged(a, a.command.c_str(), typ_remove(a.SystemOrNull(), a.words[0].c_str(), a.words[1].c_str()),
                         typ_sync);
}

// With an application its types; without, "APP TYPE" of every type.
int List(const ConfigArgs& a) {
    const char* app = a.words.empty() ? nullptr : a.words[0].c_str();
    return ConfigList("typ list", typ_list(a.SystemOrNull(), app, ' '));
}

}  // namespace

std::vector<ConfigCommand> TypeCommands() {
    return {
        {"typ", "create", "APP TYPE", "define a resource type of an application", 2, 2, Create},
        {"typ", "remove", "APP TYPE", "remove a resource type", 2, 2, Remove},
        {"typ", "list", "[APP]", "print an application's types (all: \"APP TYPE\")", 0, 1, List},
    };
}
