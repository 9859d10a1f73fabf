// The server's side of a named pipe: one listening socket per name.
//
// NT's pipe instances that wait one by one for a client do not exist here:
// the listener accepts every pending connection. One process owns a name:
// the owner holds an exclusive flock on "<socket>.lock" for as long as it
// listens; whoever gets the lock removes a socket file left by an owner that
// died and binds anew, and a live owner's socket is never taken over.
//
// The socket file is 0660 in a 0770 directory; every accepted peer is also
// checked by its credentials (NamedPipeAccess.h) and closed when refused.
// A listener is used by one thread at a time.
#pragma once

#include "platform/NamedPipeTypes.h"

#include <sys/socket.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace portlib::platform {

struct PipeListenOptions {
    PipeReadMode readMode = PipeReadMode::Message;  // of every accepted descriptor
    bool nonBlocking = true;                        // of every accepted descriptor
    // Buffer sizes as NT's CreateNamedPipe takes them: advisory. A size above
    // the kernel's default raises the accepted socket's send buffer.
    std::size_t outBufferSize = 0;
    std::size_t inBufferSize = 0;
    int backlog = SOMAXCONN;  // connections that may wait to be accepted
};

class NamedPipeListener {
public:
    NamedPipeListener() = default;
    ~NamedPipeListener();
    NamedPipeListener(const NamedPipeListener&) = delete;
    NamedPipeListener& operator=(const NamedPipeListener&) = delete;
    NamedPipeListener(NamedPipeListener&& other) noexcept;
    NamedPipeListener& operator=(NamedPipeListener&& other) noexcept;

    // Starts listening on "\\.\pipe\NAME". Returns 0, or
    //   HV_ERROR_PIPE_BUSY (231)       a live owner listens on that name
    //   HV_ERROR_ACCESS_DENIED (5)     the directory refuses us, or a file that is not
    //                                  a socket occupies the name
    //   HV_ERROR_INVALID_PARAMETER (87) this listener is already open
    //   the name errors of NamedPipeName.h (53, 123, 206)
    int Create(std::string_view name, const PipeListenOptions& options = {});

    // Takes one pending connection whose peer passes the access check (refused
    // peers are closed and counted). timeoutMs: kPipeNoWait, milliseconds or
    // kPipeWaitForever. Returns 0 with *fd set, or
    //   HV_ERROR_PIPE_LISTENING (536)  kPipeNoWait and nobody is waiting
    //   HV_ERROR_SEM_TIMEOUT (121)     nobody came in time
    //   HV_ERROR_TOO_MANY_OPEN_FILES (4), HV_ERROR_INVALID_HANDLE (6) (not open)
    int Accept(int* fd, int timeoutMs = kPipeNoWait);

    // Takes every pending connection (without waiting) and appends the
    // descriptors to *fds. Returns 0 when nobody is left waiting, else the
    // error that stopped it; the descriptors taken before belong to the caller.
    int AcceptPending(std::vector<int>* fds);

    // Stops listening: removes the socket file, releases the name.
    void Close();

    bool IsOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }  // for poll(2): POLLIN means someone waits
    const std::string& path() const { return path_; }
    std::uint64_t RefusedPeers() const { return refused_; }

private:
    bool Admit(int fd) const;

    int fd_ = -1;
    int lockFd_ = -1;
    pid_t ownerPid_ = 0;  // a forked child must not remove its parent's socket
    uid_t ownerUid_ = 0;
    std::string path_;
    PipeListenOptions options_;
    std::uint64_t refused_ = 0;
};

}  // namespace portlib::platform
