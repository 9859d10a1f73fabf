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

// How many times the layer has begun to keep news for some descriptor (a
// tail of a message, an error): a waiter that sees this unchanged knows that
// no descriptor began to hold news that poll(2) cannot see.
unsigned long PipeHeldNewsCount();
// Counts news kept once more (the layer's reads and filters call it).
void PipeNoteHeldNews();

// Corrects poll(2)'s revents of a pipe descriptor (events as requested):
// - POLLIN is added when the layer holds bytes and POLLIN was wanted;
// - POLLHUP is withheld while anything is left to read;
// - POLLERR caused only by a peer that left unread data behind (ECONNRESET)
//   is a hang-up, not an error: it is dropped (the pending error is consumed,
//   so that the next read returns the queued messages).
//   Any other pending error is kept for the code that acts on it
//   (TakeSocketError, or the next read) and reported as POLLERR until then.
short PipeFilterRevents(int fd, short events, short revents);

// What the layer holds for fd that poll(2) cannot see: POLLIN for bytes kept
// (when POLLIN was wanted), POLLERR for an error kept; else 0.
short PipeHeldNews(int fd, short events);

}  // namespace portlib::platform
