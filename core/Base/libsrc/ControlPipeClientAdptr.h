// A client of the manager's control pipe that has connected but not yet
// sent its connect record. It reads the record when it comes: a right one
// hands the connection on (AttachedPollAdptr::GetClientHandoff), anything
// else closes it. Either way the adapter then de-registers itself.
//
// Part of the control pipe's listener, not a class of its own on the wire:
// it answers to the poll adapter's class code.
#pragma once

#include "BasePollAdptr.h"

class ControlPipeClientAdptr : public BasePollAdptr {
public:
    // Owns fd (a connection accepted by the control pipe's listener).
    explicit ControlPipeClientAdptr(int fd);
    // Closes the connection unless it was handed on.
    ~ControlPipeClientAdptr() override;

    void PopulatePollInfo(hv::pollfd* p) override;
    enWork ProcessRevents(hv::pollfd* p) override;

    int GetFd() const;

private:
    // Closes the connection (when refused) and leaves the poll.
    void Finish(const char* report);

    int fd;
};
