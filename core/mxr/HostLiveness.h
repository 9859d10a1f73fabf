// The post office's one question about the network: can a host be reached
// from this host's manager? The path administrator answers it in a running
// manager; until one is installed, ThisHostLiveness does (this host only).
// Tests put a fake in its place.
#pragma once

#include "bStr.h"

class HostLiveness {
public:
    virtual ~HostLiveness() = default;
    // Non-zero when host can be reached (this host always can); 0 otherwise,
    // also for a host nobody knows. No side effect.
    virtual int IsHostAlive(const bStr& host) = 0;
};
