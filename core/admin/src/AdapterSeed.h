// Seeds the registry's adapter settings from the kernel, as an installation
// configures them: for every adapter but loopback its IPv4 addresses and
// masks (the context order of their labels: "<if>", "<if>:1", ...), its
// default gateway and its index as interface context; and the bound adapter
// and NetBIOS device lists (Tcpip\Linkage Bind, NetBT\Linkage Export).
#pragma once

#include <string>
#include <vector>

namespace ipslib {

struct SeededAdapter {
    std::string name;
    std::size_t addresses = 0;
};

// 1 when every adapter was written (each one in *seeded), 0 when the
// interfaces cannot be listed or a write failed (*error says what).
int SeedAdapterSettings(std::vector<SeededAdapter>* seeded, std::string* error);

}  // namespace ipslib
