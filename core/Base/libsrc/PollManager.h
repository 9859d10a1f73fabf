// The registered poll adapters of a world and one poll over them (a turn's
// wait). Held by value in the world; not a framework object.
//
// The descriptors wait in a persistent set (DescriptorSet), kept in step
// with the registrations, so that a turn costs what its ready descriptors
// cost. Two kinds of adapters:
// - one that tells its changes (TellsInterestChanges): asked to fill in its
//   entry when it registers and when it says its entry changed, and served
//   only in a turn with news for it. For its pipe (or network socket),
//   writing is taken to be possible without asking the kernel while it wants
//   POLLOUT; a turn in which it wanted to write and did nothing makes the
//   kernel watch for writability until the descriptor takes bytes again.
// - any other: asked to fill in its entry before every poll and served in
//   every poll, ready or not.
// The adapters served in a poll are served in registration order, each with
// its own entry, and are held by counted references until the poll ends, so
// an adapter that de-registers itself, or another one, in its turn is never
// left dangling; an adapter de-registered during the poll is not called
// again in it.
//
// A poll with a time-out of 0 in which only pipes assumed writable have news
// does not ask the kernel, when the poll before it did: that poll's news
// have been served, and the next poll (or the turn's wait) asks again.
#pragma once

#include <unordered_map>
#include <utility>
#include <vector>

#include "BasePollAdptr.h"
#include "HvPoll.h"
#include "platform/DescriptorSet.h"
#include "platform/FdKind.h"

class PollManager {
public:
    PollManager();
    ~PollManager();
    PollManager(const PollManager&) = delete;
    PollManager& operator=(const PollManager&) = delete;

    // One poll over the registered adapters, waiting at most timeoutMs.
    // DIDWORK when at least one adapter did something.
    BasePollAdptr::enWork PollForWork(int timeoutMs);

    // While output is taken to be possible, or input expected, polls that
    // may not wait ask the kernel once in this many: the packets of a long
    // message go in and out without a look at the kernel between each two,
    // and news on any other descriptor is served at most this many polls late.
    static constexpr int PollsPerKernelLook = 8;

    // Appends a counted reference (registration order is serving order).
    void Register(const BasePollAdptrPtr& adptr);
    // Removes the first registration of adptr; 1 when there was one.
    int DeRegister(BasePollAdptr* adptr);
    // Drops every registration (the world does this before its timers go,
    // since an adapter's destructor may cancel its timers).
    void DeRegisterAll();
    // adptr's entry has changed: it is asked again before the next poll.
    void InterestChanged(BasePollAdptr* adptr);
    // adptr expects more input (or no longer): while it does, it is served
    // for input in every poll, as if the kernel had said so.
    void InputExpected(BasePollAdptr* adptr, bool more);
    // True when a poll without waiting could find work only in the kernel:
    // every adapter tells its changes, none has changed, no pipe is taken to
    // be writable, none expects input and no descriptor has news the pipe
    // layer keeps. A caller
    // that would wait after finding nothing may then wait at once.
    bool NothingAtHand() const;

    BasePollAdptrLst& GetPollAdptrLst();
    // The entries of the last poll (the adapters served in it) and the
    // arrays' capacity (they grow with the registrations, never shrink).
    hv::pollfd* GetPollfdPtr() const;
    BasePollAdptrPtr* GetPollAdptrWorkLst() const;
    int GetPollfdCnt() const;

private:
    struct Member {
        BasePollAdptr* adptr = nullptr;
        unsigned long seq = 0;     // registration order
        int registrations = 0;
        bool tells = false;        // tells its changes
        bool dirty = false;        // to be asked before the next poll
        int fd = -1;               // its entry as last filled in
        short events = 0;
        short inSet = -1;          // the events the set waits for; -1 none
        portlib::platform::FdKind kind = portlib::platform::FdKind::Invalid;
        portlib::platform::FdKind inSetKind = portlib::platform::FdKind::Invalid;
        bool writable = false;     // POLLOUT given without asking the kernel
        bool blocked = false;      // a write would block: the kernel watches
        bool readable = false;     // POLLIN given without asking the kernel
        unsigned long turnMark = 0;
        short turnEvents = 0;
    };

    void Grow(int needed);
    // Slot i of the work array, without the companions' trace frames.
    BasePtr& Slot(int i);
    BasePollAdptr* Adptr(int i) const;
    void EndTurn();
    // Asks m for its entry and brings the set in line with it.
    void Refresh(Member& m);
    void Apply(Member& m, int fd, short events);
    void Forget(Member& m);
    void AddToTurn(Member& m, short revents, std::vector<Member*>& turn);
    void SetWritable(Member& m, bool on);
    void SetReadable(Member& m, bool on);

    BasePollAdptrLst PollAdptrLst;
    hv::pollfd* PollfdPtr;
    BasePollAdptrPtr* PollAdptrWorkLst;
    int PollfdCnt;
    // The poll in progress: its entries, the one at work, whether the
    // adapters are being served (after the wait), and the adapters
    // de-registered during it (kept alive until it ends).
    int turnCnt;
    int turnPos;
    bool inTurn;
    bool serving;
    BasePollAdptrLst turnRetired;
    bool anyRetired = false;
    // Registrations in PollAdptrLst (its count, without a call).
    int registeredCnt = 0;

    portlib::platform::DescriptorSet waitSet;
    std::unordered_map<BasePollAdptr*, Member> members;
    std::unordered_map<int, std::vector<Member*>> byFd;
    std::vector<Member*> everyPoll;   // adapters served in every poll, in order
    std::vector<Member*> dirty;
    std::vector<Member*> writable;
    std::vector<Member*> readable;
    std::vector<portlib::platform::DescriptorNews> news;
    std::vector<Member*> turn;
    std::vector<std::pair<BasePollAdptr*, unsigned long>> asked;
    int lastTurnCnt;
    // Per entry of the poll in progress: its adapter's registration, and
    // whether it was given POLLOUT without the kernel (1) or waited for the
    // kernel's POLLOUT (2).
    std::vector<unsigned long> turnSeq;
    std::vector<unsigned char> turnAssumed;
    unsigned long nextSeq;
    unsigned long turnNo;
    int pollsSinceKernel;
};
