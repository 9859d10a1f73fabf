// A socket's pending error (SO_ERROR), for the code that acts on it: the
// completion of a non-blocking connect, a failed transfer.
//
// Reading SO_ERROR clears it in the kernel. When the poll layer has had to
// read it (to tell a pipe's hang-up from a real error), it keeps what it read
// for the descriptor, and this call hands that over first.
#pragma once

namespace portlib::platform {

// The pending error of socket fd (an errno value, 0 for none), taken: a
// second call returns 0 unless a new error came. -1 when fd is no socket.
int TakeSocketError(int fd);

}  // namespace portlib::platform
