// What the poll layer asks of the named-pipe layer.
//
// poll(2) knows only the socket: it cannot see the tail of a message that the
// layer keeps after a short read, and it reports POLLHUP as soon as the peer
// is gone, even while the peer's last messages are still queued. These two
// calls correct both.
#pragma once

#include <cstddef>

namespace portlib::platform {

// Bytes kept by the layer for fd (the unread tail of a message). While this
// is non-zero the descriptor is readable whatever poll(2) says, so a poll
// over it must not wait.
std::size_t PipeBufferedBytes(int fd);

// How many times the layer has begun to keep a tail for some descriptor:
// a waiter that sees this unchanged knows no descriptor began to hold bytes.
unsigned long PipeTailsKept();
// Counts one more kept tail (the layer's reads call it).
void PipeNoteTailKept();

// Corrects poll(2)'s revents of a pipe descriptor (events as requested):
// - POLLIN is added when the layer holds bytes and POLLIN was wanted;
// - POLLHUP is withheld while anything is left to read;
// - POLLERR caused only by a peer that left unread data behind (ECONNRESET)
//   is a hang-up, not an error: it is dropped (the pending error is consumed,
//   so that the next read returns the queued messages).
short PipeFilterRevents(int fd, short events, short revents);

}  // namespace portlib::platform
