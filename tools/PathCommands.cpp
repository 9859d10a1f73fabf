// The communication paths' subcommands of hvconfig, over net_create,
// net_remove, net_list and net_sync. A path created in the local database is
// also handed to the local manager; one it could not take yet stays stored,
// and the manager's database link creates it when the manager starts.
#include "ConfigCommand.h"

#include "network.h"

#include <cstdio>
#include <string>

namespace {

// KIND is tli or tty (a serial line, whose baud rate follows).
int Create(const ConfigArgs& a) {
    const std::string& kind = a.words[2];
    if (kind != "tli" && kind != "tty") {
        std::fprintf(stderr, "hvconfig: net create: the kind is tli or tty, not \"%s\"\n", kind.c_str());
        return kConfigUsage;
    }
    int interval = 0, misses = 0, baud = 0, priority = 1;
    if (!ConfigNumber(a, a.words[3], "heartbeat interval", 1, 3600, &interval) ||
        !ConfigNumber(a, a.words[4], "number of misses", 1, 1000, &misses))
        return kConfigUsage;
    if (a.words.size() > 5 && !ConfigNumber(a, a.words[5], "baud rate", 0, 4000000, &baud)) return kConfigUsage;
    if (a.words.size() > 6 && !ConfigNumber(a, a.words[6], "priority", 1, 99, &priority)) return kConfigUsage;
    const int rc = net_create(a.SystemOrNull(), a.words[0].c_str(), a.words[1].c_str(), kind == "tli" ? 'l' : 'y', baud,
                              priority, interval, misses);
    if (rc == 1) {
        // Stored: the manager takes it when it starts.
        std::fprintf(stderr, "hvconfig: net create: stored; the manager did not take the path now\n");
        return ConfigChanged(a, "net create", 0, net_sync);
    }
    return ConfigChanged(a, "net create", rc, net_sync);
}

int Remove(const ConfigArgs& a) {
    const char* device = a.words.size() > 1 ? a.words[1].c_str() : nullptr;
    return ConfigChanged(a, "net remove", net_remove(a.SystemOrNull(), a.words[0].c_str(), device), net_sync);
}

int List(const ConfigArgs& a) {
    const char* to = a.words.empty() ? nullptr : a.words[0].c_str();
    return ConfigList("net list", net_list(a.SystemOrNull(), to, ' '));
}

}  // namespace

std::vector<ConfigCommand> PathCommands() {
    return {
        {"net", "create", "SYSTEM DEVICE tli|tty INTERVAL MISSES [BAUD [PRIO]]",
         "define a path to a system (heartbeat every INTERVAL s, dead after MISSES)", 5, 7, Create},
        {"net", "remove", "SYSTEM [DEVICE]", "remove the paths to a system (over DEVICE)", 1, 2, Remove},
        {"net", "list", "[SYSTEM]", "print the paths (to SYSTEM), one a line", 0, 1, List},
    };
}
