// A poll adapter for the tools' own descriptors (sockets, a command FIFO):
// the loop polls fd for the events the owner asks for and calls the owner's
// function with what it found. The owner keeps the descriptor; it changes
// fd or events at any time, and -1 makes the adapter idle.
//
// A tool's own adapter: its class code is local to the tools and never
// travels.
#pragma once

#include <functional>

#include "BasePollAdptr.h"

class FdCallbackPollAdptr : public BasePollAdptr {
    MXR_LOCAL_CLASS(FdCallbackPollAdptr, BasePollAdptr);
    MXR_FIELDS();

public:
    // revents as poll(2) gives them; the result says whether work was done.
    using Handler = std::function<enWork(short revents)>;

    FdCallbackPollAdptr();
    FdCallbackPollAdptr(int fd, short events, Handler handler);
    ~FdCallbackPollAdptr() override;

    void SetFd(int fd);
    int GetFd() const;
    void SetEvents(short events);

    void PopulatePollInfo(hv::pollfd* p) override;
    enWork ProcessRevents(hv::pollfd* p) override;

private:
    int Fd = -1;
    short Events = 0;
    Handler OnReady;
};
MXR_COMPANIONS(FdCallbackPollAdptr);
