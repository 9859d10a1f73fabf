// Internal to the named-pipe layer: receiving one message whole.
//
// A SOCK_SEQPACKET read discards whatever of a message does not fit. Every
// receive therefore scatters into the caller's buffer and then into a
// per-thread spill area as large as the largest message an unprivileged
// sender can make (twice net.core.wmem_max), with MSG_TRUNC so that the call
// returns the message's true length. One system call per message, nothing lost.
#pragma once

#include <cstddef>

namespace portlib::platform {

// Receives the next message: its first `size` bytes into buf, the rest into
// the calling thread's spill area (PipeSpillArea). flags: 0 or MSG_DONTWAIT.
// Returns 0 with *length = the message's full length (0 for an empty message
// sent by a foreign peer), or HV_ERROR_NO_DATA, HV_ERROR_BROKEN_PIPE (end of
// the stream), HV_ERROR_INVALID_DATA (larger than the spill area; dropped) or
// another mapped error.
int PipeRecvMessage(int fd, char* buf, std::size_t size, int flags, std::size_t* length);

// The calling thread's spill area: bytes [0, length - size) of the last
// message that PipeRecvMessage could not fit into the caller's buffer.
const char* PipeSpillArea();

// After a receive returned 0 bytes: true when that was the end of the stream
// (the peer has shut down and nothing is queued), false for an empty message.
bool PipeEndOfStream(int fd);

}  // namespace portlib::platform
