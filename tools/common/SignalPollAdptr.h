// Ends a world's loop when the process is asked to stop: the signals are
// blocked and taken from a signalfd that the loop polls like any other
// descriptor, so nothing runs in a signal handler. On SIGTERM or SIGINT
// (whichever it watches) the current world's run flag goes to 0; the loop
// finishes its turn and its owner cleans up.
//
// A tool's own adapter: its class code (400) is local to the tools and
// never travels.
#pragma once

#include <initializer_list>

#include "BasePollAdptr.h"

class SignalPollAdptr : public BasePollAdptr {
    MXR_LOCAL_CLASS(SignalPollAdptr, BasePollAdptr);
    MXR_FIELDS();

public:
    // No descriptor (the factory's instance).
    SignalPollAdptr();
    // Closes the signalfd (the signals stay blocked).
    ~SignalPollAdptr() override;

    // Blocks the signals in the calling thread (do it before any other
    // thread starts, so every thread inherits the mask) and watches them:
    // null with *err the errno when that fails.
    static TypedPtr<SignalPollAdptr> Watch(std::initializer_list<int> signals, int* err);

    // The last signal taken, 0 before any.
    int GetLastSignal() const;

    void PopulatePollInfo(hv::pollfd* p) override;
    enWork ProcessRevents(hv::pollfd* p) override;
    // 1: its entry never changes.
    int TellsInterestChanges() const override;

private:
    int Fd;
    int LastSignal;
};
MXR_COMPANIONS(SignalPollAdptr);
