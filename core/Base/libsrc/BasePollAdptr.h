// A poll adapter: the piece of an object that owns a descriptor (a pipe
// connection, a listening pipe, an agent's socket or serial line) through
// which the world's loop waits on that descriptor. Registered with the
// current world's PollManager, it fills in one pollfd before each poll and
// acts on what the poll found after it.
#pragma once

#include "ClassPattern.h"
#include "EnumPattern.h"
#include "HvPoll.h"

class PollManager;

class BasePollAdptr : public BaseVirtItem {
    MXR_LOCAL_CLASS(BasePollAdptr, BaseVirtItem);
    MXR_FIELDS();

public:
    // 4 bytes on the wire.
    enum enWork : int { NOWORK = 0, DIDWORK = 1 };
    MXR_ENUM(enWork, GetEnWorkCvtPtr);

    BasePollAdptr();
    ~BasePollAdptr() override;

    // slot 7: fill in p->fd and p->events for this poll (the base leaves the
    // entry as the manager prepared it: fd -1, never ready).
    virtual void PopulatePollInfo(hv::pollfd* p);
    // slot 8: act on p->revents; DIDWORK when anything was done.
    virtual enWork ProcessRevents(hv::pollfd* p);

    // Adds this adapter to the current world's poll manager (which holds a
    // counted reference), or takes it out again. The poll in progress, if
    // any, does not call a de-registered adapter again.
    void Register();
    void DeRegister();

    // Non-zero: this adapter calls InterestChanged whenever what its
    // PopulatePollInfo fills in changes, and its ProcessRevents has nothing
    // to do without news; the poll manager then asks it for its entry only
    // after such a call and serves it only in polls with news for it. The
    // base answers 0: asked before every poll, served in every poll. A
    // derived adapter that fills in its entry from more than its base does
    // keeps the base's answer true by calling InterestChanged itself.
    virtual int TellsInterestChanges() const;
    // What PopulatePollInfo would fill in has changed.
    void InterestChanged();
    // More input is on its way to this adapter's descriptor (the rest of a
    // message it is reading), or no longer: while it is, the poll manager
    // serves the adapter for input without asking the kernel. The adapter
    // says otherwise as soon as a read finds nothing.
    void ExpectInput(bool more);
    bool ExpectsInput() const { return InputExpected; }

    // The kind of descriptor fd, which this adapter fills in: learned (with
    // system calls) the first time the poll manager sees fd from this
    // adapter after its registration, and again only when the adapter shows
    // another descriptor. An adapter that puts a descriptor of another kind
    // under the same number calls ForgetFdKind (which tells the poll
    // manager its entry changed).
    portlib::platform::FdKind FdKindOf(int fd);
    void ForgetFdKind();

private:
    friend class PollManager;
    PollManager* Manager = nullptr;  // the manager it is registered with
    int KnownFd = -1;
    portlib::platform::FdKind KnownKind = portlib::platform::FdKind::Invalid;
    bool InputExpected = false;
};
MXR_COMPANIONS(BasePollAdptr);
