#include "FdCallbackPollAdptr.h"

#include <utility>

#include "ClassDefine.h"

MXR_LOCAL_CLASS_DEFINE(FdCallbackPollAdptr);

FdCallbackPollAdptr::FdCallbackPollAdptr() { MXR_METHOD_FRAME("FdCallbackPollAdptr", 0); }

FdCallbackPollAdptr::FdCallbackPollAdptr(int fd, short events, Handler handler)
    : Fd(fd), Events(events), OnReady(std::move(handler)) {
    MXR_METHOD_FRAME("FdCallbackPollAdptr", 3);
}

FdCallbackPollAdptr::~FdCallbackPollAdptr() { MXR_METHOD_FRAME("~FdCallbackPollAdptr", 0); }

void FdCallbackPollAdptr::SetFd(int fd) {
    if (fd != Fd) ForgetFdKind();
    Fd = fd;
}

int FdCallbackPollAdptr::GetFd() const { return Fd; }

void FdCallbackPollAdptr::SetEvents(short events) { Events = events; }

void FdCallbackPollAdptr::PopulatePollInfo(hv::pollfd* p) {
    p->fd = Fd;
    p->events = Events;
}

BasePollAdptr::enWork FdCallbackPollAdptr::ProcessRevents(hv::pollfd* p) {
    if (Fd == -1 || p->revents == 0 || !OnReady) return NOWORK;
    // The handler may de-register this adapter: it stays alive for the call.
    BasePtr self(this);
    return OnReady(p->revents);
}
