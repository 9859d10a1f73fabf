// The communication-path table's subcommands of hvconfig, over net_create,
// net_remove, net_list and net_sync. A path is created through the
// administrator as well as stored; each change is written to the table file.
#include "WholeNumber.h"
#include "ConfigCommand.h"

#include "network.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// The database's type letter of a path kind: TLI (TCP), TTY (serial) or
// SCSI; 0 for anything else.
int TypeLetter(const std::string& kind) {
    if (kind == "TLI") return 'l';
    if (kind == "TTY") return 'y';
    if (kind == "SCSI") return 's';
    return 0;
}

bool Number(const std::string& text, int lo, int hi, int* out) { return hvtool::ParseWholeNumber(text, lo, hi, out); }

// SYSTEM DEVICE KIND HBINTERVAL HBMAXMISS [BAUD [PRIORITY]]
int Create(const ConfigArgs& a) {
    const int type = TypeLetter(a.words[2]);
    int interval = 0, misses = 0, baud = 0, priority = 1;
    if (type == 0 || !Number(a.words[3], 1, 3600, &interval) || !Number(a.words[4], 1, 3600, &misses) ||
        (a.words.size() > 5 && !Number(a.words[5], 0, 1000000, &baud)) ||
        (a.words.size() > 6 && !Number(a.words[6], 1, 3600, &priority))) {
        std::fprintf(stderr,
                     "hvconfig: net create: KIND is TLI, TTY or SCSI; the heartbeat interval and misses 1 to 3600, "
                     "the baud rate 0 to 1000000, the priority 1 to 3600\n");
        return kConfigUsage;
    }
    const int rc = net_create(a.SystemOrNull(), a.words[0].c_str(), a.words[1].c_str(), type, baud, priority,
                              interval, misses);
    if (rc == 1) {
        // Stored: the manager's database link creates it when the manager starts.
        ConfigChanged(a, a.command.c_str(), 0, net_sync);
        std::fprintf(stderr, "hvconfig: net create: stored, but the administrator did not take the path\n");
        return kConfigNo;
    }
    return ConfigChanged(a, a.command.c_str(), rc, net_sync);
}

// SYSTEM [DEVICE]: without a device every path to the system.
int Remove(const ConfigArgs& a) {
    const char* device = a.words.size() > 1 ? a.words[1].c_str() : nullptr;
    return ConfigChanged(a, a.command.c_str(), net_remove(a.SystemOrNull(), a.words[0].c_str(), device), net_sync);
}

// [SYSTEM]: the path records, fields separated by blanks.
int List(const ConfigArgs& a) {
    const char* system = a.words.empty() ? nullptr : a.words[0].c_str();
    return ConfigList(a.command.c_str(), net_list(a.SystemOrNull(), system, ' '));
}

}  // namespace

std::vector<ConfigCommand> PathCommands() {
    return {
        {"net", "create", "SYSTEM DEVICE TLI|TTY|SCSI HBINTERVAL HBMAXMISS [BAUD [PRIORITY]]",
         "store a path to SYSTEM and create it (exit 1: stored, not taken)", 5, 7, Create},
        {"net", "remove", "SYSTEM [DEVICE]", "remove the paths to SYSTEM (over DEVICE)", 1, 2, Remove},
        {"net", "list", "[SYSTEM]", "print the path records (to SYSTEM)", 0, 1, List},
        {"net", "sync", "", "write the path table file", 0, 0, TableSync<net_sync>},
    };
}
