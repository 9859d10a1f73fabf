// A route: an address (host, pid, tid) that is reachable through a pipe
// endpoint of this process, with a priority among routes to the same
// address. Constructing a route enters it in the process's route table,
// destroying it takes it out. The table is kept ordered by priority,
// highest first, and in order of entry among equal priorities, so the first
// match of a lookup is the preferred route.
//
// The table is process-wide and unlocked (the event loop's thread). The
// fields never leave the process: the binary form is the class code alone.
#pragma once

#include "ClassPattern.h"
#include "bStr.h"

class BaseMsgRcvr;

class BaseAddrEnt : public BaseVirtItem {
    MXR_LOCAL_CLASS(BaseAddrEnt, BaseVirtItem);
    MXR_FIELDS();

public:
    // Not entered in the table (the factory's instance).
    BaseAddrEnt();
    // Enter the route table, priority 0 or the given one.
    BaseAddrEnt(const bStr& host, long pid, long tid, BaseMsgRcvr* rcvr);
    BaseAddrEnt(const bStr& host, long pid, long tid, int comPriority, BaseMsgRcvr* rcvr);
    // Leaves the route table.
    ~BaseAddrEnt() override;

    bStr GetHost() const;
    void SetHost(const bStr& host);
    long GetPid() const;
    void SetPid(long pid);
    long GetTid() const;
    void SetTid(long tid);
    int GetComPriority() const;
    void SetComPriority(int comPriority);
    BaseMsgRcvr* GetMsgRcvrPtr() const;
    void SetMsgRcvrPtr(BaseMsgRcvr* rcvr);

    // Places a row in the table by its priority (the table has room).
    static void insertAddrEnt(BaseAddrEnt* ent);

    // The route lookup for an address: the receiver that leads towards
    // (host, pid, tid), or null when this process knows no way there.
    static BaseMsgRcvr* LookUpRoute(const bStr& host, long pid, long tid);
    // Routes through a receiver that is being destroyed lead nowhere from
    // now on, whoever still holds them.
    static void ForgetMsgRcvr(const BaseMsgRcvr* rcvr);

    // Told when a route has left the table (its connection ended, or the
    // peer took it back): one observer per process (the manager's world), or
    // none. It runs on the loop's thread, inside the route's destructor.
    using RouteGoneFunc = void (*)(void* context, const bStr& host, long pid, long tid);
    static void SetRouteGoneObserver(RouteGoneFunc func, void* context);

    static BaseAddrEnt** GetAddrEntPtr();
    static void SetAddrEntPtr(BaseAddrEnt** tbl);
    static int GetAddrEntCnt();
    static void SetAddrEntCnt(int cnt);
    static int GetAddrEntAvail();
    static void SetAddrEntAvail(int avail);

private:
    void EnterTable();

    bStr Host;
    long Pid;
    long Tid;
    int ComPriority;
    BaseMsgRcvr* MsgRcvrPtr;  // not counted: the endpoint owns its routes

    static BaseAddrEnt** addrEntPtr;
    static int addrEntCnt;
    static int addrEntAvail;
    static RouteGoneFunc routeGoneFunc;
    static void* routeGoneContext;
};
MXR_COMPANIONS(BaseAddrEnt);
