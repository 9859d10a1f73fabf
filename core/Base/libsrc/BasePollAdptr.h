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
    MXR_CLASS(BasePollAdptr, BaseVirtItem);
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

private:
    friend class PollManager;
    PollManager* Manager = nullptr;  // the manager it is registered with
};
MXR_COMPANIONS(BasePollAdptr);
