// hvconfig: the configuration tool, a minimal command line over the
// database's C interface: "hvconfig [-d SYSTEM] TABLE VERB WORDS". Each
// table brings its own list of subcommands (ConfigCommand.h).
#include "ConfigCommand.h"

#include "QdbStartup.h"
#include "qdberr.h"
#include "qdbpaths.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::vector<ConfigCommand> AllCommands() {
    std::vector<ConfigCommand> all;
    for (auto list : {SystemCommands, PathCommands, FlagCommands, ApplicationCommands, TypeCommands, InstanceCommands,
                      DependencyCommands, EquivalencyCommands}) {
        std::vector<ConfigCommand> some = list();
        all.insert(all.end(), some.begin(), some.end());
    }
    return all;
}

void PrintUsage(std::FILE* out) {
    std::fputs(
        "usage: hvconfig [-d SYSTEM] TABLE VERB [WORDS]\n"
        "\n"
        "The configuration tool (a minimal implementation): changes and reads the\n"
        "configuration database through its C interface. The database daemon must\n"
        "run (the tool waits for it as every client of the database does). Each\n"
        "change of the local database is written to its table file at once.\n"
        "  -d SYSTEM   the system whose database a change goes to (sent there as a\n"
        "              remote request), whose database a question reads (the\n"
        "              cached copy of another system), or where an instance's\n"
        "              restore or remove runs (by its database daemon); default:\n"
        "              this system\n"
        "\n",
        out);
    for (const ConfigCommand& c : AllCommands())
        std::fprintf(out, "  %-4s %-9s %s\n  %16s%s\n", c.table, c.verb, c.synopsis, "", c.help);
    std::fputs(
        "\n"
        "Environment: HV_SYSTEM_DIR, TEST_ROOT, TEST_UNAME and MXRHOSTNAME as for\n"
        "every client of the database.\n"
        "\n"
        "Exit status: 0 done (yes); 1 no (flag test); 2 the database refused (its\n"
        "error on standard error); 64 bad command line.\n",
        out);
}

int Usage(const std::string& why) {
    std::fprintf(stderr, "hvconfig: %s\n\n", why.c_str());
    PrintUsage(stderr);
    return kConfigUsage;
}

}  // namespace

int main(int argc, char** argv) {
    ConfigArgs args;
    int i = 1;
    for (; i < argc && argv[i][0] == '-'; ++i) {
        if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
            PrintUsage(stdout);
            return kConfigDone;
        }
        if (std::strcmp(argv[i], "-d") == 0 && i + 1 < argc) {
            args.system = argv[++i];
            if (args.system.empty()) return Usage("-d wants a system name");
            continue;
        }
        return Usage("unknown option \"" + std::string(argv[i]) + "\"");
    }
    if (argc - i < 2) return Usage("a table and a verb are needed");
    const std::string table = argv[i], verb = argv[i + 1];
    for (i += 2; i < argc; ++i) args.words.emplace_back(argv[i]);

    const ConfigCommand* command = nullptr;
    bool tableKnown = false;
    const std::vector<ConfigCommand> all = AllCommands();
    for (const ConfigCommand& c : all) {
        if (table != c.table) continue;
        tableKnown = true;
        if (verb == c.verb) command = &c;
    }
    if (!tableKnown) return Usage("unknown table \"" + table + "\"");
    if (command == nullptr) return Usage("unknown verb \"" + verb + "\" for " + table);
    if (args.words.size() < command->minWords || args.words.size() > command->maxWords)
        return Usage("wrong number of words for " + table + " " + verb);
    if (!args.words.empty() && args.words[0].empty()) return Usage("a name must not be empty");

    args.command = table + " " + verb;
    pQdb_arg0 = argv[0];
    set_errinfo("hvconfig", "HVCONFIG", 0, nullptr);
    qdbpinit();
    const int rc = command->run(args);
    qdbcleanup();
    return rc;
}
