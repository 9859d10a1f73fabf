// Modes and closing of pipe descriptors (what NT does with
// SetNamedPipeHandleState and CloseHandle).
#pragma once

#include "platform/NamedPipeTypes.h"

namespace portlib::platform {

// Read mode of a descriptor (the layer starts a descriptor that it did not
// create, such as one half of a socketpair, in message mode).
int PipeSetReadMode(int fd, PipeReadMode mode);
int PipeGetReadMode(int fd, PipeReadMode* mode);

// Blocking or non-blocking reads, writes and accepts on a descriptor.
int PipeSetBlocking(int fd, bool blocking);
// True when a read of fd may wait for data (or its mode cannot be told).
bool PipeMayBlock(int fd);

// Closes a pipe descriptor and forgets what the layer kept for it. Every
// pipe descriptor must be closed here, not with close(2), or its number
// would carry stale state to the next descriptor that reuses it.
int PipeClose(int fd);

}  // namespace portlib::platform
