// The poll of the framework: poll(2) over descriptors with the platform
// layer's per-kind rules (platform/PollFilter.h).
//
// The names stay inside namespace hv: a shared library that exported libc's
// names would replace libc's own functions for the whole process.
#pragma once

#include <poll.h>

#include "platform/FdKind.h"

namespace hv {

// {fd, events, revents}; an entry with fd -1 is never ready. Event bits as
// poll(2) has them: POLLIN 1, POLLOUT 4, POLLERR 8, POLLHUP 16.
using pollfd = ::pollfd;

// Tests fds[0..nfds) and waits at most timeout ms (0: test once; negative:
// until something is ready). revents is cleared before each test. Returns the
// number of entries with non-zero revents, 0 when none became ready in time,
// -1 when the wait itself failed (errno says why).
//
// Per kind: a pipe hangs up (POLLHUP) only after its last queued message has
// been read, and bytes its layer holds are readable; a TCP socket never
// reports POLLHUP (a TCP peer's close is readable, a reset is POLLERR); a
// serial line reports it only to a caller that put POLLHUP in events; a
// closed descriptor or a hung-up line is otherwise never ready and never
// cuts a wait short.
int poll(pollfd* fds, unsigned nfds, int timeout);
// The same with each entry's kind known already (kinds[i] for fds[i]): no
// kind is looked up.
int poll(pollfd* fds, const portlib::platform::FdKind* kinds, unsigned nfds, int timeout);

}  // namespace hv
