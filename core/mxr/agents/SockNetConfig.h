// The socket agent's network settings, built once by its world and shared by
// pointer with every set-up machine and adaptor of its paths; and the two
// lookups they make from it: a path's TCP port from its device name, and a
// host's IPv4 address.
#pragma once

#include <cstdint>

#include "bStr.h"

struct SockNetConfig {
    const bStr* DevicePath = nullptr;  // the world's device name ("TCPIP")
    int Family = 2;                    // AF_INET
    int Type = 1;                      // SOCK_STREAM
    int Protocol = 0;
    unsigned short Port = 1500;  // a path's port when its device name names none

    // Between two tries of a set-up that failed: at most 30 s (a test build
    // may shorten it through HV_TEST_TIME_SCALE).
    static unsigned RetryMs();
    // The first wait after a refused connect: 1 s, doubled after each
    // further failure up to RetryMs (also scaled).
    static unsigned FirstRetryMs();

    // The port after the first ':' of the device name when that reads as a
    // number in 1..65535; otherwise Port ("TCPIP", "TCPIP:", ":0", ":abc").
    unsigned short PortOf(const bStr& devicePathName) const;
};

// The first IPv4 address of name, in network byte order; 0 when the name
// does not resolve (or is empty). The name must resolve to the cluster
// network's address: a Debian host maps its own name to 127.0.1.1 in
// /etc/hosts, on which the peer cannot reach it.
std::uint32_t ResolveHostAddress(const char* name);
