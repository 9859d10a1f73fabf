// addrswitch <Address> <SubnetMask> <NetCard> <Context>: moves one IPv4
// address of an adapter (its Context-th, 0 the first) to a new address and
// mask while the system runs. The registry settings stay as they are.
// Exit 0 switched; 1 usage or unreadable settings; 2 the address change was
// refused; 3 the NetBIOS hook refused (first address only).
#include "IpAddressLib.h"
#include "HelpOption.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int Usage() {
    std::printf("Usage:   addrswitch <Address> <SubnetMask> <NetCard> <Context>\n"
                "Example: addrswitch 10.0.0.5 255.255.255.0 eth0 1\n"
                "         moves the second address of eth0 (label eth0:1)\n"
                "         to 10.0.0.5 with the mask 255.255.255.0\n");
    return 1;
}

// A decimal context of 0-65535, nothing else.
bool ReadContext(const char* text, unsigned* context) {
    if (*text == '\0' || std::strlen(text) > 5) return false;
    unsigned v = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9') return false;
        v = v * 10 + static_cast<unsigned>(*p - '0');
    }
    if (v > 65535) return false;
    *context = v;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (portlib::AsksForHelp(argc, argv)) {
        Usage();  // on standard output
        return 0;
    }
    if (argc < 5) return Usage();
    const char* address = argv[1];
    const char* mask = argv[2];
    const char* card = argv[3];
    unsigned context = 0;
    if (!ReadContext(argv[4], &context)) {
        std::printf("addrswitch: the context %s is not a number from 0 to 65535\n", argv[4]);
        return Usage();
    }
    ipslib::AdapterSettings settings;
    if (!ipslib::GetAdapterSettings(card, &settings)) {
        std::printf("addrswitch: the settings of adapter %s cannot be read\n", card);
        return 1;
    }
    // The new address is checked before the old one goes.
    ipslib::IpChange change;
    if (!ipslib::PrepareIpChange(address, mask, context, card, &change)) return 2;
    if (context == 0 && !ipslib::SetNbtIpAddress("0.0.0.0", mask, card)) return 3;
    if (!ipslib::SetIpAddress("0.0.0.0", mask, context, card)) return 2;
    if (!ipslib::SetIpAddress(address, mask, context, card)) return 2;
    if (context == 0 && !ipslib::SetNbtIpAddress(address, mask, card)) return 3;
    return 0;
}
