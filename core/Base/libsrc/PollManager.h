// The registered poll adapters of a world and the arrays of one poll over
// them. Held by value in the world; not a framework object.
//
// One poll (PollForWork): every adapter fills in its pollfd, hv::poll waits,
// then every adapter sees its pollfd again. The adapters of the poll in
// progress are held by counted references until it ends, so an adapter that
// de-registers itself, or another one, in its turn is never left dangling;
// an adapter de-registered during the poll is not called again in it.
#pragma once

#include "BasePollAdptr.h"
#include "HvPoll.h"

class PollManager {
public:
    PollManager();
    ~PollManager();
    PollManager(const PollManager&) = delete;
    PollManager& operator=(const PollManager&) = delete;

    // One poll over every registered adapter, waiting at most timeoutMs.
    // DIDWORK when at least one adapter did something.
    BasePollAdptr::enWork PollForWork(int timeoutMs);

    // Appends a counted reference (registration order is poll order).
    void Register(const BasePollAdptrPtr& adptr);
    // Removes the first registration of adptr; 1 when there was one.
    int DeRegister(BasePollAdptr* adptr);
    // Drops every registration (the world does this before its timers go,
    // since an adapter's destructor may cancel its timers).
    void DeRegisterAll();

    BasePollAdptrLst& GetPollAdptrLst();
    // The arrays of the last poll and their capacity (they grow, never shrink).
    hv::pollfd* GetPollfdPtr() const;
    BasePollAdptrPtr* GetPollAdptrWorkLst() const;
    int GetPollfdCnt() const;

private:
    void Grow(int needed);
    // Slot i of the work array, without the companions' trace frames.
    BasePtr& Slot(int i);
    BasePollAdptr* Adptr(int i) const;
    void EndTurn();

    BasePollAdptrLst PollAdptrLst;
    hv::pollfd* PollfdPtr;
    BasePollAdptrPtr* PollAdptrWorkLst;
    // The kind of each entry's descriptor, as its adapter learned it.
    portlib::platform::FdKind* FdKinds;
    int PollfdCnt;
    // The poll in progress: its entries, the one at work, whether the
    // adapters are being served (after the wait), and the adapters
    // de-registered during it (kept alive until it ends).
    int turnCnt;
    int turnPos;
    bool inTurn;
    bool serving;
    BasePollAdptrLst turnRetired;
};
