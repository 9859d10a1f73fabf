// Test support for the message runtime: a scope that gives a test fresh,
// empty address tables, a host name of its choosing, the manager flag it
// asks for and a closed readiness gate, and puts the process's own back
// afterwards (the tables are
// process-wide, and a test binary may run every test in one process).
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

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

// The three address tables of this process as they stand: which entry holds
// each route, each dynamic row and each logical name, and where the dynamic
// table hands out its next row. Equal snapshots: nothing was entered, moved
// or cleared in between.
struct AddressTables {
    std::vector<const void*> routes;
    std::vector<const void*> dynamicRows;
    std::vector<const void*> logicalNames;
    int dynamicCursor = 0;
    unsigned short dynamicUniq = 0;

    static AddressTables Now() {
        AddressTables t;
        for (int i = 0; i < BaseAddrEnt::GetAddrEntCnt(); ++i) t.routes.push_back(BaseAddrEnt::GetAddrEntPtr()[i]);
        for (int i = 0; i < DynamicAddrEnt::GetDynamicAddrTblSz(); ++i)
            t.dynamicRows.push_back(DynamicAddrEnt::GetDynamicAddrTblPtr()[i]);
        for (int i = 0; i < LogicalAddrEnt::GetLogicalAddrTblSz(); ++i)
            t.logicalNames.push_back(LogicalAddrEnt::GetLogicalAddrTblPtr()[i]);
        t.dynamicCursor = DynamicAddrEnt::GetDynamicAddrTblCursor();
        t.dynamicUniq = DynamicAddrEnt::GetDynamicAddrUniqCursor();
        return t;
    }
    bool operator==(const AddressTables&) const = default;
};
