// addrshow [-a] <Net Card name>: lists an adapter's configured addresses and
// masks, "<address> <mask>" a line; without -a the first (the adapter's own)
// is left out. Exit 0, or 1 for usage or unreadable settings.
#include "AdapterSettings.h"
#include "HelpOption.h"

#include <cstdio>
#include <cstring>

namespace {

int Usage(std::FILE* to = stderr) {
    std::fputs("Usage: addrshow [-a] <Net Card name>\n", to);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (portlib::AsksForHelp(argc, argv)) {
        Usage(stdout);
        return 0;
    }
    if (argc < 2) return Usage();
    bool all = false;
    const char* card = argv[1];
    if (argc >= 3) {
        if (std::strcmp(argv[1], "-a") != 0) return Usage();
        all = true;
        card = argv[2];
    }
    ipslib::AdapterSettings s;
    if (!ipslib::GetAdapterSettings(card, &s)) {
        std::fprintf(stderr, "addrshow: the settings of adapter %s cannot be read\n", card);
        return 1;
    }
    for (std::size_t i = all ? 0 : 1; i < s.addresses.size() && i < s.masks.size(); ++i)
        std::printf("%s %s\n", s.addresses[i].c_str(), s.masks[i].c_str());
    return 0;
}
