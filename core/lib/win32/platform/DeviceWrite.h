// Writing a whole buffer to a serial line or other device that may take it
// in pieces (a tty accepts what fits in its buffer and no more).
#pragma once

#include <cstddef>

namespace portlib::platform {

// Writes all size bytes of buf to fd. A blocking descriptor is made
// non-blocking for the call (and restored), so that the bound holds. When the device takes
// nothing for stallMs milliseconds (measured on the monotonic clock from the
// last byte it took) the write gives up. *written gets the bytes taken.
// Returns 0 when every byte was taken, else -1 with errno set: ETIMEDOUT
// (the device stalled), EIO (a hung-up line), or the error of write(2).
// Never raises SIGPIPE for a socket.
int DeviceWriteAll(int fd, const void* buf, std::size_t size, int stallMs, std::size_t* written);

}  // namespace portlib::platform
