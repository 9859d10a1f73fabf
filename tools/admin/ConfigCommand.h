// One subcommand of the configuration tool (hvconfig): a table's name and a
// verb, the number of words it takes, and the function that runs it. Each
// table of the database keeps its subcommands in a unit of its own
// (SystemCommands.cpp, FlagCommands.cpp, ...); the tool joins their lists.
#pragma once

#include <string>
#include <vector>

struct ConfigArgs {
    // The subcommand ("sys create"), for its reports.
    std::string command;
    // -d SYSTEM: the system whose database a change goes to, or whose
    // database (the local one or its cached copy) a question reads; "" is
    // the local system.
    std::string system;
    std::vector<std::string> words;
    // The C interface's form of system: null for the local one.
    const char* SystemOrNull() const { return system.empty() ? nullptr : system.c_str(); }
};

struct ConfigCommand {
    const char* table;
    const char* verb;
    const char* synopsis;  // the words after the verb, for the usage text
    const char* help;      // one line
    unsigned minWords, maxWords;
    int (*run)(const ConfigArgs&);
};

// Exit codes of the tool.
enum ConfigExit { kConfigDone = 0, kConfigNo = 1, kConfigRefused = 2, kConfigUsage = 64 };

// A call of the C interface that answered rc (0 success): kConfigDone, or
// kConfigRefused after the database's error text (or what) on standard error.
int ConfigResult(const char* what, int rc);
// Whether the last call of the C interface left an error.
bool ConfigErrorPending();
// A change that answered rc: when it succeeded, the table file of the
// database it went to is written (sync, given the destination) at once.
int ConfigChanged(const ConfigArgs& a, const char* what, int rc, int (*sync)(const char*));
// A list the C interface answered (null-ended, or null for none): printed one
// entry a line and freed; the result as ConfigResult's.
int ConfigList(const char* what, char** list);

// The common subcommands, from the C interface's functions of a table: a
// change of one named record (create or remove NAME), the list of the names
// of a database, and the writing of the table file.
template <int (*Change)(const char*, const char*), int (*Sync)(const char*)>
int NamedChange(const ConfigArgs& a) {
    return ConfigChanged(a, a.command.c_str(), Change(a.SystemOrNull(), a.words[0].c_str()), Sync);
}
template <char** (*List)(const char*)>
int NameList(const ConfigArgs& a) {
    return ConfigList(a.command.c_str(), List(a.SystemOrNull()));
}
template <int (*Sync)(const char*)>
int TableSync(const ConfigArgs& a) {
    return ConfigResult(a.command.c_str(), Sync(a.SystemOrNull()));
}

std::vector<ConfigCommand> SystemCommands();
std::vector<ConfigCommand> FlagCommands();
std::vector<ConfigCommand> ApplicationCommands();
std::vector<ConfigCommand> TypeCommands();
std::vector<ConfigCommand> PathCommands();
std::vector<ConfigCommand> InstanceCommands();
std::vector<ConfigCommand> DependencyCommands();
std::vector<ConfigCommand> EquivalencyCommands();
