#include "LoopTestAdptr.h"

#include "ClassDefine.h"

namespace {
int liveAdptrs = 0;
}

MXR_LOCAL_CLASS_DEFINE(LoopTestAdptr);

LoopTestAdptr::LoopTestAdptr() : LoopTestAdptr(-1) {}

LoopTestAdptr::LoopTestAdptr(int fd_, short events_) : fd(fd_), events(events_) { ++liveAdptrs; }

LoopTestAdptr::~LoopTestAdptr() {
    if (onDestroy) onDestroy();
    --liveAdptrs;
}

int LoopTestAdptr::Live() { return liveAdptrs; }

void LoopTestAdptr::PopulatePollInfo(hv::pollfd* p) {
    ++populated;
    p->fd = fd;
    p->events = events;
    if (onPopulate) onPopulate(this);
}

BasePollAdptr::enWork LoopTestAdptr::ProcessRevents(hv::pollfd* p) {
    ++served;
    lastRevents = p->revents;
    if (onRevents) return onRevents(this, p);
    return p->revents ? DIDWORK : NOWORK;
}
