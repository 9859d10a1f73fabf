// The poll layer's view of what poll(2) reports, per kind of descriptor, so
// that every caller sees the same rules whatever it polls:
//
// - Pipe (Unix-domain socket, FIFO): bytes the named-pipe layer holds are
//   readable; hang-up only once everything queued has been read
//   (NamedPipePoll.h).
// - NetSocket: never a hang-up. A peer that closed shows as readable (the
//   read then finds the end of the stream); a reset is an error (POLLERR).
// - Device (serial line, pty): no hang-up unless the caller asked for it
//   with POLLHUP in events. A line that hung up is otherwise never ready,
//   except for bytes still queued on it, which are readable.
// - Invalid (closed descriptor) and File: never ready.
// - Other: as poll(2) says.
//
// "Never ready" is what keeps an event loop from spinning on a descriptor
// whose only news is one the caller is not meant to see.
#pragma once

#include "platform/FdKind.h"

namespace portlib::platform {

// The revents a caller sees for fd, given what it asked (events) and what
// poll(2) reported (revents, POLLNVAL included).
short FilterPollRevents(int fd, FdKind kind, short events, short revents);

}  // namespace portlib::platform
