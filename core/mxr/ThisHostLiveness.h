// The liveness answer of a manager that knows no paths: only this host
// (BaseAddr::GetCurrentHost) can be reached.
#pragma once

#include "HostLiveness.h"

class ThisHostLiveness : public HostLiveness {
public:
    int IsHostAlive(const bStr& host) override;

    // The process's one instance, the post office's default.
    static ThisHostLiveness& Instance();
};
