// Test support for the message runtime: a scope that gives a test fresh,
// empty address tables, a host name of its choosing, the manager flag it
// asks for and a closed readiness gate, and puts the process's own back
// afterwards (the tables are
// process-wide, and a test binary may run every test in one process).
#pragma once

#include <cstdlib>
#include <string>

#include "BaseAddr.h"
#include "BaseAddrEnt.h"
#include "BaseWorld.h"
#include "DynamicAddrEnt.h"
#include "LogicalAddrEnt.h"

class RuntimeScope {
public:
    explicit RuntimeScope(const char* host = "NODEA", int mxrWorldFlg = 0)
        : savedFlg(BaseAddr::GetMxrWorldFlg()),
          savedHost(BaseAddr::GetCurrentHost()),
          routes(BaseAddrEnt::GetAddrEntPtr()),
          routeCnt(BaseAddrEnt::GetAddrEntCnt()),
          routeAvail(BaseAddrEnt::GetAddrEntAvail()),
          dyn(DynamicAddrEnt::GetDynamicAddrTblPtr()),
          dynSz(DynamicAddrEnt::GetDynamicAddrTblSz()),
          dynCursor(DynamicAddrEnt::GetDynamicAddrTblCursor()),
          dynUniq(DynamicAddrEnt::GetDynamicAddrUniqCursor()),
          logical(LogicalAddrEnt::GetLogicalAddrTblPtr()),
          logicalSz(LogicalAddrEnt::GetLogicalAddrTblSz()),
          ready(BaseWorld::GetDispatchReadyFlg()),
          world(BaseWorld::GetWorldPtr()) {
        BaseWorld::SetDispatchReadyFlg(0);
        if (const char* env = std::getenv("MXRHOSTNAME")) {
            hadEnv = true;
            savedEnv = env;
        }
        if (host != nullptr)
            setenv("MXRHOSTNAME", host, 1);
        else
            unsetenv("MXRHOSTNAME");
        BaseAddr::SetCurrentHost(bStr());  // read the environment again
        BaseAddr::SetMxrWorldFlg(mxrWorldFlg);
        BaseAddrEnt::SetAddrEntPtr(nullptr);
        BaseAddrEnt::SetAddrEntCnt(0);
        BaseAddrEnt::SetAddrEntAvail(0);
        DynamicAddrEnt::SetDynamicAddrTblPtr(nullptr);
        DynamicAddrEnt::SetDynamicAddrTblSz(0);
        DynamicAddrEnt::SetDynamicAddrTblCursor(1);
        DynamicAddrEnt::SetDynamicAddrUniqCursor(1);
        LogicalAddrEnt::SetLogicalAddrTblPtr(nullptr);
        LogicalAddrEnt::SetLogicalAddrTblSz(0);
    }

    // Every row made in the scope must be gone by now.
    ~RuntimeScope() {
        delete[] BaseAddrEnt::GetAddrEntPtr();
        delete[] DynamicAddrEnt::GetDynamicAddrTblPtr();
        delete[] LogicalAddrEnt::GetLogicalAddrTblPtr();
        BaseAddrEnt::SetAddrEntPtr(routes);
        BaseAddrEnt::SetAddrEntCnt(routeCnt);
        BaseAddrEnt::SetAddrEntAvail(routeAvail);
        DynamicAddrEnt::SetDynamicAddrTblPtr(dyn);
        DynamicAddrEnt::SetDynamicAddrTblSz(dynSz);
        DynamicAddrEnt::SetDynamicAddrTblCursor(dynCursor);
        DynamicAddrEnt::SetDynamicAddrUniqCursor(dynUniq);
        LogicalAddrEnt::SetLogicalAddrTblPtr(logical);
        LogicalAddrEnt::SetLogicalAddrTblSz(logicalSz);
        if (hadEnv)
            setenv("MXRHOSTNAME", savedEnv.c_str(), 1);
        else
            unsetenv("MXRHOSTNAME");
        BaseAddr::SetCurrentHost(savedHost);
        BaseAddr::SetMxrWorldFlg(savedFlg);
        BaseWorld::SetDispatchReadyFlg(ready);
        BaseWorld::SetWorldPtr(world);
    }

    RuntimeScope(const RuntimeScope&) = delete;
    RuntimeScope& operator=(const RuntimeScope&) = delete;

private:
    int savedFlg;
    bStr savedHost;
    bool hadEnv = false;
    std::string savedEnv;
    BaseAddrEnt** routes;
    int routeCnt;
    int routeAvail;
    DynamicAddrEnt** dyn;
    int dynSz;
    int dynCursor;
    unsigned short dynUniq;
    LogicalAddrEnt** logical;
    int logicalSz;
    int ready;
    BaseWorld* world;
};
