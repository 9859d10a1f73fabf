// Reading, writing and peeking on pipe descriptors, and their modes.
//
// Every pipe is a SOCK_SEQPACKET socket: one write is one message. A reader
// in message mode gets one message per read; when its buffer is too short it
// gets HV_ERROR_MORE_DATA and the rest of that message on the next reads, as
// NT gives it. A reader in byte mode gets bytes across message boundaries.
// The unread tail of a message is kept beside the descriptor; the poll layer
// sees it through NamedPipePoll.h.
//
// One thread at a time reads a given descriptor; different descriptors may be
// used from any number of threads.
#pragma once

#include "platform/NamedPipeTypes.h"

#include <cstddef>

namespace portlib::platform {

// Reads into buf (size bytes). *bytesRead gets the bytes stored.
// A blocking descriptor waits for input; a byte-mode read waits only until
// it has at least one byte, then takes whatever else is queued, up to size.
// Returns:
//   0                                  a whole message (message mode), or bytes (byte mode)
//   HV_ERROR_MORE_DATA (234)           message mode: buf is full, the message goes on
//   HV_ERROR_NO_DATA (232)             non-blocking, nothing to read now
//   HV_ERROR_BROKEN_PIPE (109)         the peer is gone and everything it sent has been read
//   HV_ERROR_PIPE_NOT_CONNECTED (233)  the socket never was connected
//   HV_ERROR_INVALID_DATA (13)         a message larger than any unprivileged sender can
//                                      make (so larger than the layer can hold) was dropped
//   HV_ERROR_INVALID_HANDLE (6), HV_ERROR_BAD_PIPE (230), HV_ERROR_INVALID_PARAMETER (87)
int PipeRead(int fd, void* buf, std::size_t size, std::size_t* bytesRead);

// Writes buf as one message; never raises SIGPIPE. Returns:
//   0                                  *written = size
//   HV_WSAEWOULDBLOCK (10035)          non-blocking and no room now: nothing was written,
//                                      the pipe is still up (try again when writable)
//   HV_ERROR_BROKEN_PIPE (109)         the peer is gone
//   HV_ERROR_INVALID_PARAMETER (87)    size 0 (an empty message cannot be told from the end
//                                      of the stream), or larger than the socket can carry
//   HV_ERROR_PIPE_NOT_CONNECTED (233), HV_ERROR_INVALID_HANDLE (6), HV_ERROR_BAD_PIPE (230)
int PipeWrite(int fd, const void* buf, std::size_t size, std::size_t* written);

struct PipePeekInfo {
    std::size_t copied = 0;       // bytes copied into the caller's buffer
    std::size_t available = 0;    // every byte readable now (kept tail + queued messages)
    std::size_t messageLeft = 0;  // bytes left of the next message (0: none queued)
};

// Looks at the input without taking it and without waiting. Returns 0 (also
// when nothing is there), or HV_ERROR_BROKEN_PIPE (109) once the peer is gone
// and nothing is left to read.
int PipePeek(int fd, void* buf, std::size_t size, PipePeekInfo* info);

}  // namespace portlib::platform
