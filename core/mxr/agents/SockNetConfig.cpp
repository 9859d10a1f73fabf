#include "SockNetConfig.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdlib>
#include <cstring>

#include "platform/TestTimeScale.h"

unsigned SockNetConfig::RetryMs() { return portlib::platform::ScaledMs(30000); }

unsigned SockNetConfig::FirstRetryMs() { return portlib::platform::ScaledMs(1000); }

unsigned short SockNetConfig::PortOf(const bStr& devicePathName) const {
    const char* text = static_cast<const char*>(devicePathName);
    if (text == nullptr) return Port;
    const char* colon = std::strchr(text, ':');
    if (colon == nullptr) return Port;
    // atoi's reading: leading digits count, the rest is ignored. A number
    // that is no port is taken as none rather than cut to 16 bits.
    const long port = std::strtol(colon + 1, nullptr, 10);
    if (port <= 0 || port > 65535) return Port;
    return static_cast<unsigned short>(port);
}

std::uint32_t ResolveHostAddress(const char* name) {
    if (name == nullptr || name[0] == '\0') return 0;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &found) != 0 || found == nullptr) return 0;
    std::uint32_t addr = 0;
    for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
        if (a->ai_family == AF_INET && a->ai_addr != nullptr) {
            addr = reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr.s_addr;
            break;
        }
    }
    freeaddrinfo(found);
    return addr;
}
