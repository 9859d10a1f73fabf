// A path from the local system, in the fake's local database.
#pragma once

#include "FakeConsoleDatabase.h"

#include <string>

namespace hwman {

inline void AddTestPath(panelaid::FakeConsoleDatabase& db, const std::string& to, const std::string& device,
                        char type, int priority, const std::string& state = "ALIVE", int baud = 0) {
    panelaid::PathDefinition p;
    p.system = to;
    p.device = device;
    p.type = type;
    p.priority = priority;
    p.baud = baud;
    p.heartbeatInterval = 6;
    p.maxMisses = 5;
    db.AddPath("", p, state);
}

}  // namespace hwman
