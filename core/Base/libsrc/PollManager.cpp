#include "PollManager.h"

#include <algorithm>
#include <new>

#include "BasePtrLstIter.h"
#include "FuncInfo.h"
#include "MxrAssert.h"

#define POLLMGR_FRAME(func, parms) MXR_FRAME("PollManager", (func), (parms), "PollManager.c")

using portlib::platform::FdKind;

namespace {
template <class T>
void EraseValue(std::vector<T>& v, const T& x) {
    v.erase(std::remove(v.begin(), v.end(), x), v.end());
}
}  // namespace

PollManager::PollManager()
    : PollfdPtr(nullptr),
      PollAdptrWorkLst(nullptr),
      PollfdCnt(0),
      turnCnt(0),
      turnPos(0),
      inTurn(false),
      serving(false),
      lastTurnCnt(0),
      nextSeq(0),
      turnNo(0),
      pollsSinceKernel(0) {
    POLLMGR_FRAME("PollManager", 0);
}

PollManager::~PollManager() {
    POLLMGR_FRAME("~PollManager", 0);
    DeRegisterAll();
    delete[] PollfdPtr;
    delete[] PollAdptrWorkLst;
}

void PollManager::Grow(int needed) {
    POLLMGR_FRAME("Grow", 1);
    const int cnt = needed + 5;
    hv::pollfd* tmpPollFdPtr = new (std::nothrow) hv::pollfd[cnt];
    MXR_ASSERT(tmpPollFdPtr != 0, "tmpPollFdPtr != 0", "PollManager");
    BasePollAdptrPtr* tmpAdptrLst = new (std::nothrow) BasePollAdptrPtr[cnt];
    MXR_ASSERT(tmpAdptrLst != 0, "tmpAdptrLst != 0", "PollManager");
    for (int i = 0; i < cnt; ++i) tmpPollFdPtr[i] = {-1, 0, 0};
    for (int i = 0; i < lastTurnCnt; ++i) tmpPollFdPtr[i] = PollfdPtr[i];
    delete[] PollfdPtr;
    delete[] PollAdptrWorkLst;
    PollfdPtr = tmpPollFdPtr;
    PollAdptrWorkLst = tmpAdptrLst;
    PollfdCnt = cnt;
}

// Sets one of m's flags and keeps the list of members with it set in step.
template <class Member>
void SetListed(Member& m, bool Member::*flag, std::vector<Member*>& listed, bool on) {
    if (m.*flag == on) return;
    m.*flag = on;
    if (on)
        listed.push_back(&m);
    else
        EraseValue(listed, &m);
}

void PollManager::SetWritable(Member& m, bool on) { SetListed(m, &Member::writable, writable, on); }

void PollManager::SetReadable(Member& m, bool on) { SetListed(m, &Member::readable, readable, on); }

void PollManager::Apply(Member& m, int fd, short events) {
    POLLMGR_FRAME("Apply", 3);
    // Learned by the adapter once for its descriptor (again only when it
    // forgets it).
    const FdKind kind = fd >= 0 ? m.adptr->FdKindOf(fd) : FdKind::Invalid;
    if (fd != m.fd) {
        if (m.fd >= 0) {
            if (m.inSet >= 0) waitSet.Remove(m.fd, m.inSet);
            auto it = byFd.find(m.fd);
            if (it != byFd.end()) {
                EraseValue(it->second, &m);
                if (it->second.empty()) byFd.erase(it);
            }
        }
        m.inSet = -1;
        m.blocked = false;
        SetReadable(m, false);  // expected on the descriptor it no longer shows
        m.fd = fd;
        if (fd >= 0) byFd[fd].push_back(&m);
    }
    if (kind != m.kind) m.blocked = false;
    m.kind = kind;
    m.events = events;
    // A pipe, or a stream socket, can take bytes until a write says
    // otherwise: no need to ask the kernel (and to tell it each time the
    // wish comes and goes).
    const bool streams = m.kind == FdKind::Pipe || m.kind == FdKind::NetSocket;
    const bool assume = m.tells && streams && (events & POLLOUT) != 0 && !m.blocked;
    const short want = assume ? static_cast<short>(events & ~POLLOUT) : events;
    if (fd >= 0 && (want != m.inSet || kind != m.inSetKind)) {
        waitSet.Put(fd, want, m.kind, m.inSet);
        m.inSet = want;
        m.inSetKind = kind;
    }
    SetWritable(m, assume);
}

void PollManager::Refresh(Member& m) {
    POLLMGR_FRAME("Refresh", 1);
    hv::pollfd p{-1, 0, 0};
    m.adptr->PopulatePollInfo(&p);
    Apply(m, p.fd, p.events);
}

void PollManager::AddToTurn(Member& m, short revents, std::vector<Member*>& into) {
    if (m.turnMark != turnNo) {
        m.turnMark = turnNo;
        m.turnEvents = revents;
        into.push_back(&m);
    } else {
        m.turnEvents = static_cast<short>(m.turnEvents | revents);
    }
}

BasePollAdptr::enWork PollManager::PollForWork(int timeoutMs) {
    POLLMGR_FRAME("PollForWork", 1);
    MXR_ASSERT(!inTurn, "!inTurn", "PollManager");
    // Traced, the list is asked as it always was.
    const int n = FuncInfo::MayTrace() ? PollAdptrLst.GetItemCnt() : registeredCnt;
    if (n > PollfdCnt) Grow(n);

    inTurn = true;
    turnCnt = 0;
    ++turnNo;
    // One adapter may de-register another (or itself) while it fills in
    // its entry: an adapter de-registered during the poll is kept alive
    // until it ends (DeRegister), and one no longer registered is skipped.
    asked.clear();
    for (Member* m : everyPoll) asked.emplace_back(m->adptr, m->seq);
    for (Member* m : dirty) {
        m->dirty = false;
        asked.emplace_back(m->adptr, m->seq);
    }
    dirty.clear();
    for (const auto& [adptr, seq] : asked) {
        auto it = members.find(adptr);
        if (it != members.end() && it->second.seq == seq) Refresh(it->second);
    }

    // Output assumed possible, or input expected, is work at hand: no
    // waiting. A poll that may not wait then asks the kernel only once in
    // PollsPerKernelLook (the others, and the turn's wait, ask when their
    // time comes).
    bool askKernel = true;
    int wait = timeoutMs;
    if (!writable.empty() || !readable.empty()) {
        wait = 0;
        if (timeoutMs == 0 && ++pollsSinceKernel < PollsPerKernelLook) askKernel = false;
    }
    news.clear();
    if (askKernel) {
        pollsSinceKernel = 0;
        // A failed wait is not reported: the adapters are served all the same.
        static_cast<void>(waitSet.Wait(news, wait));
    }

    turn.clear();
    for (const portlib::platform::DescriptorNews& nw : news) {
        auto it = byFd.find(nw.fd);
        if (it == byFd.end()) continue;
        for (Member* m : it->second)
            AddToTurn(*m, static_cast<short>(nw.revents & (m->events | POLLERR | POLLHUP)), turn);
    }
    for (Member* m : readable) AddToTurn(*m, static_cast<short>(POLLIN & m->events), turn);
    for (Member* m : writable) AddToTurn(*m, POLLOUT, turn);
    for (Member* m : everyPoll) AddToTurn(*m, 0, turn);
    if (turn.size() > 1)
        std::sort(turn.begin(), turn.end(), [](const Member* a, const Member* b) { return a->seq < b->seq; });

    turnSeq.resize(turn.size());
    turnAssumed.resize(turn.size());
    for (Member* m : turn) {
        // Entries with no news for an adapter that tells its changes have
        // nothing to serve (a descriptor shared with another adapter).
        if (m->tells && m->turnEvents == 0) continue;
        Slot(turnCnt) = BasePtr(m->adptr);
        PollfdPtr[turnCnt] = {m->fd, m->events, m->turnEvents};
        turnSeq[turnCnt] = m->seq;
        turnAssumed[turnCnt] = static_cast<unsigned char>((m->writable ? 1 : 0) | (m->blocked ? 2 : 0));
        ++turnCnt;
    }
    // Entries of the last poll beyond this one's are never ready.
    for (int i = turnCnt; i < lastTurnCnt; ++i) PollfdPtr[i] = {-1, 0, 0};
    lastTurnCnt = turnCnt;

    serving = true;
    BasePollAdptr::enWork result = BasePollAdptr::NOWORK;
    for (turnPos = 0; turnPos < turnCnt; ++turnPos) {
        BasePollAdptr* a = Adptr(turnPos);
        if (a == nullptr) continue;
        const short revents = PollfdPtr[turnPos].revents;
        const BasePollAdptr::enWork work = a->ProcessRevents(&PollfdPtr[turnPos]);
        if (work != BasePollAdptr::NOWORK) result = BasePollAdptr::DIDWORK;
        // Only a pipe taken to be writable, or one waiting to be, may change
        // its way of waiting here.
        const unsigned char mode = turnAssumed[turnPos];
        if (mode == 0 || ((mode & 1) && work != BasePollAdptr::NOWORK) || ((mode & 2) && !(revents & POLLOUT)))
            continue;
        auto it = members.find(a);
        if (it == members.end() || it->second.seq != turnSeq[turnPos] || it->second.dirty) continue;
        Member& m = it->second;
        if ((mode & 1) && work == BasePollAdptr::NOWORK && m.writable) {
            // It wanted to write and could not: the kernel says when it can.
            m.blocked = true;
            Apply(m, m.fd, m.events);
        } else if (m.blocked && (revents & POLLOUT)) {
            m.blocked = false;
            Apply(m, m.fd, m.events);
        }
    }
    EndTurn();
    asked.clear();
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
    if (!anyRetired && !FuncInfo::MayTrace()) return;
    anyRetired = false;
    BasePtr gone;
    while (turnRetired.Remove(gone)) gone = BasePtr();
}

BasePtr& PollManager::Slot(int i) { return PollAdptrWorkLst[i]; }

BasePollAdptr* PollManager::Adptr(int i) const {
    return static_cast<BasePollAdptr*>(static_cast<const BasePtr&>(PollAdptrWorkLst[i]).GetPtr());
}

void PollManager::Register(const BasePollAdptrPtr& adptr) {
    POLLMGR_FRAME("Register", 1);
    auto* a = static_cast<BasePollAdptr*>(static_cast<const BasePtr&>(adptr).GetPtr());
    if (a == nullptr) return;
    PollAdptrLst.Append(adptr);
    ++registeredCnt;
    Member& m = members[a];
    // Registered twice, it is still served once per poll.
    if (m.registrations++ > 0) return;
    m.adptr = a;
    m.seq = nextSeq++;
    m.tells = a->TellsInterestChanges() != 0;
    // Its descriptor's kind is learned anew for this registration.
    a->ForgetFdKind();
    a->Manager = this;
    a->InputExpected = false;  // said again with its next read
    if (m.tells) {
        m.dirty = true;
        dirty.push_back(&m);
    } else {
        everyPoll.push_back(&m);
    }
}

void PollManager::Forget(Member& m) {
    POLLMGR_FRAME("Forget", 1);
    Apply(m, -1, 0);
    SetWritable(m, false);
    SetReadable(m, false);
    EraseValue(everyPoll, &m);
    if (m.dirty) EraseValue(dirty, &m);
    if (m.adptr->Manager == this) {
        m.adptr->Manager = nullptr;
        m.adptr->InputExpected = false;
    }
}

int PollManager::DeRegister(BasePollAdptr* adptr) {
    POLLMGR_FRAME("DeRegister", 1);
    if (adptr == nullptr) return 0;
    // Held across the removal: the list's reference may be the last one.
    BasePollAdptrPtr keep(adptr);
    if (!PollAdptrLst.RemoveItem(keep)) return 0;
    --registeredCnt;
    auto it = members.find(adptr);
    if (it != members.end() && --it->second.registrations == 0) {
        Forget(it->second);
        members.erase(it);
    }
    if (inTurn) {
        // Not to be called again in this poll (its own turn, if it is the one
        // being served, ends normally), kept alive until the poll ends.
        turnRetired.Append(keep);
        anyRetired = true;
        for (int i = serving ? turnPos : 0; i < turnCnt; ++i) {
            if (Adptr(i) == adptr) {
                turnRetired.Append(Slot(i));
                Slot(i) = BasePtr();
                PollfdPtr[i] = {-1, 0, 0};
                break;
            }
        }
    }
    return 1;
}

void PollManager::DeRegisterAll() {
    POLLMGR_FRAME("DeRegisterAll", 0);
    // One at a time: a destructor run by a release may de-register others.
    for (;;) {
        BasePtr first = BasePtrLstIter(PollAdptrLst).First();
        if (first.GetPtr() == nullptr) break;
        DeRegister(static_cast<BasePollAdptr*>(first.GetPtr()));
    }
}

bool PollManager::NothingAtHand() const {
    POLLMGR_FRAME("NothingAtHand", 0);
    return everyPoll.empty() && dirty.empty() && writable.empty() && readable.empty() && !waitSet.MayHoldNews();
}

void PollManager::InterestChanged(BasePollAdptr* adptr) {
    POLLMGR_FRAME("InterestChanged", 1);
    auto it = members.find(adptr);
    if (it == members.end() || !it->second.tells || it->second.dirty) return;
    it->second.dirty = true;
    dirty.push_back(&it->second);
}

void PollManager::InputExpected(BasePollAdptr* adptr, bool more) {
    POLLMGR_FRAME("InputExpected", 2);
    auto it = members.find(adptr);
    // Only an adapter that tells its changes is served without news.
    if (it == members.end() || !it->second.tells) return;
    SetReadable(it->second, more && it->second.fd >= 0);
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
