// What the link's database thread hands back to the loop at start: the
// stored paths as plain values, read under the database lock. Posted through
// the world's inbox to the link's own receiver; never leaves the process.
#pragma once

#include "MessageDeclare.h"

#include <string>
#include <vector>

// One stored path as the administrator is asked to create it.
struct MxrStoredPath {
    std::string system;
    std::string device;
    int agentType = 0;  // CommAgentEnt::CommAgentType
    int priority = 0;
    int hbInterval = 0;
    int hbMaxMiss = 0;
    int baud = 0;
};

MXR_NOTICE_BEGIN(MxrCfgstorePathsMsg, BaseMsg)
    std::vector<MxrStoredPath> paths;
MXR_END(MxrCfgstorePathsMsg);
