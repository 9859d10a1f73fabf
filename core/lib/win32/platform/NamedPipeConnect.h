// The client's side: opening a named pipe, with NT's wait-for-pipe rules.
#pragma once

#include "platform/NamedPipeTypes.h"

#include <string>
#include <string_view>

namespace portlib::platform {

struct PipeConnectOptions {
    // How long to wait for the listener to take the connection:
    // kPipeNoWait (0), a time in milliseconds, or kPipeWaitForever.
    int timeoutMs = kPipeNoWait;
    PipeReadMode readMode = PipeReadMode::Message;
    bool nonBlocking = false;  // mode of the connected descriptor
};

// Connects to "\\.\pipe\NAME". *fd gets a close-on-exec descriptor (close it
// with PipeClose). A connection counts as made once the listener's queue has
// taken it, as an NT client is connected once a waiting instance takes it.
// Returns 0, or
//   HV_ERROR_FILE_NOT_FOUND (2)   no listener under that name (at once, whatever the wait)
//   HV_ERROR_ACCESS_DENIED (5)    the socket file or its directory refuses this user
//   HV_ERROR_PIPE_BUSY (231)      kPipeNoWait and the listener's queue is full
//   HV_ERROR_SEM_TIMEOUT (121)    the listener did not take the connection in time
//   HV_ERROR_BAD_NETPATH (53), HV_ERROR_INVALID_NAME (123),
//   HV_ERROR_FILENAME_EXCED_RANGE (206)   from the name (NamedPipeName.h)
// A listener that refuses the peer's credentials closes the connection: the
// client then sees HV_ERROR_BROKEN_PIPE on its first read.
// systemDir: the system directory whose pipe the name denotes (empty: this
// process's); a process that joins two systems on one machine names each.
int PipeConnect(std::string_view name, const PipeConnectOptions& options, int* fd,
                const std::string& systemDir = std::string());

}  // namespace portlib::platform
