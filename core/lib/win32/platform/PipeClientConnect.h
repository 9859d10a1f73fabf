// A client connection to a local named pipe, enough for the object-persistence
// client. \\.\pipe\NAME (prefix matched without regard to case) is the
// Unix-domain socket $HV_SYSTEM_DIR/run/pipe/<name>: NAME in lower case, every
// byte other than [a-z0-9._-] as %XX. The socket is SOCK_SEQPACKET (message
// mode: one write is one message) and close-on-exec.
#pragma once

namespace portlib::platform {

// Connects to `pipeName`, waiting up to `waitMs` while the pipe is busy (its
// listener's backlog is full). 0 and the descriptor in *fd, or a Win32 error:
//   2   no such pipe (no socket, or no listener behind it)
//   5   access denied
//   53  a remote name (\\host\pipe\...)
//   87  not a pipe name
//   121 still busy after the wait
//   206 the socket path would be too long
int PipeClientConnect(const char* pipeName, int waitMs, int* fd);

}  // namespace portlib::platform
