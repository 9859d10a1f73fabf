#include "BaseAddrEnt.h"

#include "BaseAddr.h"
#include "ClassDefine.h"
#include "GrowRowTable.h"
#include "MxrAssert.h"
#include "RouteIndex.h"

MXR_LOCAL_CLASS_DEFINE(BaseAddrEnt);

BaseAddrEnt** BaseAddrEnt::addrEntPtr = nullptr;
int BaseAddrEnt::addrEntCnt = 0;
int BaseAddrEnt::addrEntAvail = 0;
BaseAddrEnt::RouteGoneFunc BaseAddrEnt::routeGoneFunc = nullptr;
void* BaseAddrEnt::routeGoneContext = nullptr;

namespace {
constexpr int kTblGrowth = 10;

// The index beside the table (never destroyed: rows may leave the table
// while the process exits). It is rebuilt from the table at the next lookup
// when the table was changed behind its back (a row's fields set while in
// the table, the table itself replaced); while rows' priorities may be out
// of order, every entry rebuilds it.
struct RouteTableIndex {
    RouteIndex index;
    bool stale = true;
    bool ordered = true;
};

RouteTableIndex& TableIndex() {
    static RouteTableIndex* idx = new RouteTableIndex;
    return *idx;
}

void IndexChangedBehindItsBack() { TableIndex().stale = true; }

// 1 when row is in the route table.
bool InTable(const BaseAddrEnt* row, BaseAddrEnt* const* tbl, int cnt) {
    for (int i = 0; i < cnt; ++i)
        if (tbl[i] == row) return true;
    return false;
}
}  // namespace

BaseAddrEnt::BaseAddrEnt() : Pid(0), Tid(0), ComPriority(0), MsgRcvrPtr(nullptr) {
    MXR_METHOD_FRAME("BaseAddrEnt", 0);
}

BaseAddrEnt::BaseAddrEnt(const bStr& host, long pid, long tid, BaseMsgRcvr* rcvr)
    : Host(host), Pid(pid), Tid(tid), ComPriority(0), MsgRcvrPtr(rcvr) {
    MXR_METHOD_FRAME("BaseAddrEnt", 4);
    EnterTable();
}

BaseAddrEnt::BaseAddrEnt(const bStr& host, long pid, long tid, int comPriority, BaseMsgRcvr* rcvr)
    : Host(host), Pid(pid), Tid(tid), ComPriority(comPriority), MsgRcvrPtr(rcvr) {
    MXR_METHOD_FRAME("BaseAddrEnt", 5);
    EnterTable();
}

BaseAddrEnt::~BaseAddrEnt() {
    MXR_METHOD_FRAME("~BaseAddrEnt", 0);
    for (int i = 0; i < addrEntCnt; ++i) {
        if (addrEntPtr[i] != this) continue;
        if (!TableIndex().stale) TableIndex().index.Remove(this);
        for (int j = i; j + 1 < addrEntCnt; ++j) addrEntPtr[j] = addrEntPtr[j + 1];
        --addrEntCnt;
        addrEntPtr[addrEntCnt] = nullptr;
        if (routeGoneFunc != nullptr) routeGoneFunc(routeGoneContext, Host, Pid, Tid);
        break;
    }
}

void BaseAddrEnt::SetRouteGoneObserver(RouteGoneFunc func, void* context) {
    MXR_FRAME("BaseAddrEnt", "SetRouteGoneObserver", 2, "BaseAddrEnt.c");
    routeGoneFunc = func;
    routeGoneContext = context;
}

void BaseAddrEnt::EnterTable() {
    MXR_METHOD_FRAME("EnterTable", 0);
    if (addrEntCnt >= addrEntAvail) {
        BaseAddrEnt** tbl = GrowRowTable(addrEntPtr, addrEntCnt, addrEntAvail + kTblGrowth);
        MXR_ASSERT(tbl != nullptr, "addrEntPtr != 0", "BaseAddrEnt");
        addrEntPtr = tbl;
        addrEntAvail += kTblGrowth;
    }
    insertAddrEnt(this);
}

void BaseAddrEnt::insertAddrEnt(BaseAddrEnt* ent) {
    MXR_FRAME("BaseAddrEnt", "insertAddrEnt", 1, "BaseAddrEnt.c");
    MXR_ASSERT(addrEntCnt < addrEntAvail, "addrEntCnt < addrEntAvail", "BaseAddrEnt");
    int pos = 0;
    while (pos < addrEntCnt && addrEntPtr[pos] != nullptr && addrEntPtr[pos]->ComPriority >= ent->ComPriority) ++pos;
    for (int j = addrEntCnt; j > pos; --j) addrEntPtr[j] = addrEntPtr[j - 1];
    addrEntPtr[pos] = ent;
    ++addrEntCnt;
    RouteTableIndex& idx = TableIndex();
    if (!idx.ordered) idx.stale = true;
    if (!idx.stale) idx.index.Add(ent);
}

BaseMsgRcvr* BaseAddrEnt::LookUpRoute(const bStr& host, long pid, long tid) {
    MXR_FRAME("BaseAddrEnt", "LookUpRoute", 3, "BaseAddrEnt.c");
    RouteTableIndex& idx = TableIndex();
    if (idx.stale) {
        idx.index.Rebuild(addrEntPtr, addrEntCnt);
        idx.ordered = true;
        for (int i = 1; i < addrEntCnt; ++i)
            if (addrEntPtr[i - 1] != nullptr && addrEntPtr[i] != nullptr &&
                addrEntPtr[i - 1]->ComPriority < addrEntPtr[i]->ComPriority)
                idx.ordered = false;
        idx.stale = false;
    }
    // The first row, in table order, that still has a receiver: rows without
    // one (their endpoint is gone) count as empty slots.
    auto first = [](const RouteIndex::Rows* rows) -> BaseMsgRcvr* {
        if (rows == nullptr) return nullptr;
        for (const BaseAddrEnt* row : *rows)
            if (row->MsgRcvrPtr != nullptr) return row->MsgRcvrPtr;
        return nullptr;
    };
    if (BaseMsgRcvr* r = first(idx.index.Exact(host, pid, tid))) return r;
    // The manager of that host, or a route that serves the whole host.
    if (BaseMsgRcvr* r = first(idx.index.HostPid(host, 0))) return r;
    const bStr& thisHost = BaseAddr::GetCurrentHostRef();
    // A receiver of this host that no route names is not reachable from here.
    if (host == thisHost) return nullptr;
    if (BaseMsgRcvr* r = first(idx.index.Host(host))) return r;
    if (BaseAddr::GetMxrWorldFlg() != 0) return nullptr;
    // Other hosts are reached through this host's manager, which relays.
    return first(idx.index.HostPid(thisHost, 0));
}

void BaseAddrEnt::ForgetMsgRcvr(const BaseMsgRcvr* rcvr) {
    MXR_FRAME("BaseAddrEnt", "ForgetMsgRcvr", 1, "BaseAddrEnt.c");
    if (rcvr == nullptr) return;
    for (int i = 0; i < addrEntCnt; ++i)
        if (addrEntPtr[i] != nullptr && addrEntPtr[i]->MsgRcvrPtr == rcvr) addrEntPtr[i]->MsgRcvrPtr = nullptr;
}

bStr BaseAddrEnt::GetHost() const {
    MXR_METHOD_FRAME("GetHost", 0);
    return Host;
}

void BaseAddrEnt::SetHost(const bStr& host) {
    MXR_METHOD_FRAME("SetHost", 1);
    Host = host;
    if (InTable(this, addrEntPtr, addrEntCnt)) IndexChangedBehindItsBack();
}

long BaseAddrEnt::GetPid() const {
    MXR_METHOD_FRAME("GetPid", 0);
    return Pid;
}

void BaseAddrEnt::SetPid(long pid) {
    MXR_METHOD_FRAME("SetPid", 1);
    Pid = pid;
    if (InTable(this, addrEntPtr, addrEntCnt)) IndexChangedBehindItsBack();
}

long BaseAddrEnt::GetTid() const {
    MXR_METHOD_FRAME("GetTid", 0);
    return Tid;
}

void BaseAddrEnt::SetTid(long tid) {
    MXR_METHOD_FRAME("SetTid", 1);
    Tid = tid;
    if (InTable(this, addrEntPtr, addrEntCnt)) IndexChangedBehindItsBack();
}

int BaseAddrEnt::GetComPriority() const {
    MXR_METHOD_FRAME("GetComPriority", 0);
    return ComPriority;
}

void BaseAddrEnt::SetComPriority(int comPriority) {
    MXR_METHOD_FRAME("SetComPriority", 1);
    ComPriority = comPriority;
    if (InTable(this, addrEntPtr, addrEntCnt)) IndexChangedBehindItsBack();
}

BaseMsgRcvr* BaseAddrEnt::GetMsgRcvrPtr() const {
    MXR_METHOD_FRAME("GetMsgRcvrPtr", 0);
    return MsgRcvrPtr;
}

void BaseAddrEnt::SetMsgRcvrPtr(BaseMsgRcvr* rcvr) {
    MXR_METHOD_FRAME("SetMsgRcvrPtr", 1);
    MsgRcvrPtr = rcvr;
}

BaseAddrEnt** BaseAddrEnt::GetAddrEntPtr() {
    MXR_FRAME("BaseAddrEnt", "GetAddrEntPtr", 0, "BaseAddrEnt.c");
    return addrEntPtr;
}

void BaseAddrEnt::SetAddrEntPtr(BaseAddrEnt** tbl) {
    MXR_FRAME("BaseAddrEnt", "SetAddrEntPtr", 1, "BaseAddrEnt.c");
    IndexChangedBehindItsBack();
    addrEntPtr = tbl;
}

int BaseAddrEnt::GetAddrEntCnt() {
    MXR_FRAME("BaseAddrEnt", "GetAddrEntCnt", 0, "BaseAddrEnt.c");
    return addrEntCnt;
}

void BaseAddrEnt::SetAddrEntCnt(int cnt) {
    MXR_FRAME("BaseAddrEnt", "SetAddrEntCnt", 1, "BaseAddrEnt.c");
    IndexChangedBehindItsBack();
    addrEntCnt = cnt;
}

int BaseAddrEnt::GetAddrEntAvail() {
    MXR_FRAME("BaseAddrEnt", "GetAddrEntAvail", 0, "BaseAddrEnt.c");
    return addrEntAvail;
}

void BaseAddrEnt::SetAddrEntAvail(int avail) {
    MXR_FRAME("BaseAddrEnt", "SetAddrEntAvail", 1, "BaseAddrEnt.c");
    addrEntAvail = avail;
}
