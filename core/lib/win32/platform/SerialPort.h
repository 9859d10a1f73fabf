// Serial lines for the communication agents: opening a port for one owner
// and setting it to the raw byte line the agents' framing needs.
//
// A port is opened O_NOCTTY | O_NONBLOCK | O_CLOEXEC and held exclusively:
// TIOCEXCL refuses further opens by other users (root passes it), and an
// exclusive flock on the descriptor refuses every other holder that asks the
// same way, root included. The line is then raw (no echo, no translation of
// any byte: a default tty rewrites binary frames), 8 data bits, no parity,
// one stop bit, no flow control, CLOCAL | CREAD, and VMIN = VTIME = 0, so a
// read returns at once with whatever has arrived.
#pragma once

namespace portlib::platform {

// The termios speed constant of a line rate (SerialOtherRateMarker() for
// 7200 and 14400, which are set by number), or 0 when the rate is not one a
// port can be set to (the caller then fails as a refused setting does).
unsigned SerialSpeedOf(int baud);

// Opens and configures the port. 0 with *fd set, or a Win32 error number:
// HV_ERROR_FILE_NOT_FOUND (no such device), HV_ERROR_ACCESS_DENIED (held by
// another owner or not permitted), HV_ERROR_INVALID_PARAMETER (a rate not in
// the table, or a device that is not a terminal line), HV_ERROR_GEN_FAILURE
// (the settings were refused). Nothing stays open on failure.
int SerialOpen(const char* path, int baud, int* fd);

// Closes a port opened by SerialOpen (the lock goes with the descriptor).
void SerialClose(int fd);

}  // namespace portlib::platform
