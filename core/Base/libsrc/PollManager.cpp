#include "PollManager.h"

#include <new>

#include "BasePtrLstIter.h"
#include "FuncInfo.h"
#include "MxrAssert.h"

#define POLLMGR_FRAME(func, parms) MXR_FRAME("PollManager", (func), (parms), "PollManager.c")

PollManager::PollManager()
    : PollfdPtr(nullptr),
      PollAdptrWorkLst(nullptr),
      FdKinds(nullptr),
      PollfdCnt(0),
      turnCnt(0),
      turnPos(0),
      inTurn(false),
      serving(false) {
    POLLMGR_FRAME("PollManager", 0);
}

PollManager::~PollManager() {
    POLLMGR_FRAME("~PollManager", 0);
    DeRegisterAll();
    delete[] PollfdPtr;
    delete[] PollAdptrWorkLst;
    delete[] FdKinds;
}

void PollManager::Grow(int needed) {
    POLLMGR_FRAME("Grow", 1);
    const int cnt = needed + 5;
    hv::pollfd* tmpPollFdPtr = new (std::nothrow) hv::pollfd[cnt];
    MXR_ASSERT(tmpPollFdPtr != 0, "tmpPollFdPtr != 0", "PollManager");
    BasePollAdptrPtr* tmpAdptrLst = new (std::nothrow) BasePollAdptrPtr[cnt];
    MXR_ASSERT(tmpAdptrLst != 0, "tmpAdptrLst != 0", "PollManager");
    auto* tmpKinds = new (std::nothrow) portlib::platform::FdKind[cnt];
    MXR_ASSERT(tmpKinds != 0, "tmpKinds != 0", "PollManager");
    delete[] PollfdPtr;
    delete[] PollAdptrWorkLst;
    delete[] FdKinds;
    PollfdPtr = tmpPollFdPtr;
    PollAdptrWorkLst = tmpAdptrLst;
    FdKinds = tmpKinds;
    PollfdCnt = cnt;
}

BasePollAdptr::enWork PollManager::PollForWork(int timeoutMs) {
    POLLMGR_FRAME("PollForWork", 1);
    MXR_ASSERT(!inTurn, "!inTurn", "PollManager");
    const int n = PollAdptrLst.GetItemCnt();
    if (n > PollfdCnt) Grow(n);

    inTurn = true;
    turnCnt = 0;
    {
        // The companions' own members open trace frames; this path runs for
        // every adapter in every turn, so it goes through the plain BasePtr.
        BasePtrLstIter it(PollAdptrLst);
        for (BasePtr a = it.First(); a.GetPtr() != nullptr && turnCnt < n; a = it.Next())
            Slot(turnCnt++) = a;
    }
    for (turnPos = 0; turnPos < turnCnt; ++turnPos) {
        PollfdPtr[turnPos] = {-1, 0, 0};
        FdKinds[turnPos] = portlib::platform::FdKind::Invalid;
        // A slot emptied by a de-registration stays fd -1: never ready.
        if (BasePollAdptr* a = Adptr(turnPos)) {
            a->PopulatePollInfo(&PollfdPtr[turnPos]);
            FdKinds[turnPos] = a->FdKindOf(PollfdPtr[turnPos].fd);
        }
    }

    // A failed poll is not reported: every adapter still sees its entry.
    static_cast<void>(hv::poll(PollfdPtr, FdKinds, static_cast<unsigned>(turnCnt), timeoutMs));

    serving = true;
    BasePollAdptr::enWork result = BasePollAdptr::NOWORK;
    for (turnPos = 0; turnPos < turnCnt; ++turnPos) {
        BasePollAdptr* a = Adptr(turnPos);
        if (a != nullptr && a->ProcessRevents(&PollfdPtr[turnPos]) != BasePollAdptr::NOWORK)
            result = BasePollAdptr::DIDWORK;
    }
    EndTurn();
    return result;
}

void PollManager::EndTurn() {
    POLLMGR_FRAME("EndTurn", 0);
    // Out of the turn first: destructors run by the releases below may
    // de-register other adapters or start a new poll later.
    const int cnt = turnCnt;
    inTurn = false;
    serving = false;
    turnCnt = 0;
    turnPos = 0;
    for (int i = 0; i < cnt; ++i) Slot(i) = BasePtr();
    BasePtr gone;
    while (turnRetired.Remove(gone)) gone = BasePtr();
}

BasePtr& PollManager::Slot(int i) { return PollAdptrWorkLst[i]; }

BasePollAdptr* PollManager::Adptr(int i) const {
    return static_cast<BasePollAdptr*>(static_cast<const BasePtr&>(PollAdptrWorkLst[i]).GetPtr());
}

void PollManager::Register(const BasePollAdptrPtr& adptr) {
    POLLMGR_FRAME("Register", 1);
    if (adptr.GetPtr() == nullptr) return;
    // Its descriptor's kind is learned anew for this registration.
    static_cast<BasePollAdptr*>(static_cast<const BasePtr&>(adptr).GetPtr())->ForgetFdKind();
    PollAdptrLst.Append(adptr);
}

int PollManager::DeRegister(BasePollAdptr* adptr) {
    POLLMGR_FRAME("DeRegister", 1);
    if (adptr == nullptr) return 0;
    // Held across the removal: the list's reference may be the last one.
    BasePollAdptrPtr keep(adptr);
    if (!PollAdptrLst.RemoveItem(keep)) return 0;
    if (inTurn) {
        // Not to be called again in this poll (its own turn, if it is the one
        // being served, ends normally), kept alive until the poll ends.
        for (int i = serving ? turnPos : 0; i < turnCnt; ++i) {
            if (Adptr(i) == adptr) {
                turnRetired.Append(Slot(i));
                Slot(i) = BasePtr();
                PollfdPtr[i] = {-1, 0, 0};  // its descriptor no longer ends the wait
                break;
            }
        }
    }
    return 1;
}

void PollManager::DeRegisterAll() {
    POLLMGR_FRAME("DeRegisterAll", 0);
    // One at a time: a destructor run by a release may de-register others.
    BasePtr gone;
    while (PollAdptrLst.Remove(gone)) gone = BasePtr();
}

BasePollAdptrLst& PollManager::GetPollAdptrLst() {
    POLLMGR_FRAME("GetPollAdptrLst", 0);
    return PollAdptrLst;
}

hv::pollfd* PollManager::GetPollfdPtr() const {
    POLLMGR_FRAME("GetPollfdPtr", 0);
    return PollfdPtr;
}

BasePollAdptrPtr* PollManager::GetPollAdptrWorkLst() const {
    POLLMGR_FRAME("GetPollAdptrWorkLst", 0);
    return PollAdptrWorkLst;
}

int PollManager::GetPollfdCnt() const {
    POLLMGR_FRAME("GetPollfdCnt", 0);
    return PollfdCnt;
}
