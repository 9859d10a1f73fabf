#include "BaseAddrEnt.h"

#include "BaseAddr.h"
#include "ClassDefine.h"
#include "GrowRowTable.h"
#include "MxrAssert.h"

MXR_LOCAL_CLASS_DEFINE(BaseAddrEnt);

BaseAddrEnt** BaseAddrEnt::addrEntPtr = nullptr;
int BaseAddrEnt::addrEntCnt = 0;
int BaseAddrEnt::addrEntAvail = 0;
BaseAddrEnt::RouteGoneFunc BaseAddrEnt::routeGoneFunc = nullptr;
void* BaseAddrEnt::routeGoneContext = nullptr;

namespace {
constexpr int kTblGrowth = 10;
}

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
}

BaseMsgRcvr* BaseAddrEnt::LookUpRoute(const bStr& host, long pid, long tid) {
    MXR_FRAME("BaseAddrEnt", "LookUpRoute", 3, "BaseAddrEnt.c");
    // Rows without a receiver (their endpoint is gone) count as empty slots.
    auto first = [](auto&& match) -> BaseMsgRcvr* {
        for (int i = 0; i < addrEntCnt; ++i) {
            const BaseAddrEnt* row = addrEntPtr[i];
            if (row != nullptr && row->MsgRcvrPtr != nullptr && match(*row)) return row->MsgRcvrPtr;
        }
        return nullptr;
    };
    if (BaseMsgRcvr* r = first([&](const BaseAddrEnt& e) { return e.Host == host && e.Pid == pid && e.Tid == tid; }))
        return r;
    // The manager of that host, or a route that serves the whole host.
    if (BaseMsgRcvr* r = first([&](const BaseAddrEnt& e) { return e.Host == host && e.Pid == 0; })) return r;
    const bStr& thisHost = BaseAddr::GetCurrentHostRef();
    // A receiver of this host that no route names is not reachable from here.
    if (host == thisHost) return nullptr;
    if (BaseMsgRcvr* r = first([&](const BaseAddrEnt& e) { return e.Host == host; })) return r;
    if (BaseAddr::GetMxrWorldFlg() != 0) return nullptr;
    // Other hosts are reached through this host's manager, which relays.
    return first([&](const BaseAddrEnt& e) { return e.Host == thisHost && e.Pid == 0; });
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
}

long BaseAddrEnt::GetPid() const {
    MXR_METHOD_FRAME("GetPid", 0);
    return Pid;
}

void BaseAddrEnt::SetPid(long pid) {
    MXR_METHOD_FRAME("SetPid", 1);
    Pid = pid;
}

long BaseAddrEnt::GetTid() const {
    MXR_METHOD_FRAME("GetTid", 0);
    return Tid;
}

void BaseAddrEnt::SetTid(long tid) {
    MXR_METHOD_FRAME("SetTid", 1);
    Tid = tid;
}

int BaseAddrEnt::GetComPriority() const {
    MXR_METHOD_FRAME("GetComPriority", 0);
    return ComPriority;
}

void BaseAddrEnt::SetComPriority(int comPriority) {
    MXR_METHOD_FRAME("SetComPriority", 1);
    ComPriority = comPriority;
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
    addrEntPtr = tbl;
}

int BaseAddrEnt::GetAddrEntCnt() {
    MXR_FRAME("BaseAddrEnt", "GetAddrEntCnt", 0, "BaseAddrEnt.c");
    return addrEntCnt;
}

void BaseAddrEnt::SetAddrEntCnt(int cnt) {
    MXR_FRAME("BaseAddrEnt", "SetAddrEntCnt", 1, "BaseAddrEnt.c");
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
