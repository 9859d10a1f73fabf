#include "PipeServer.h"

#include "platform/NamedPipeMode.h"
#include "platform/Win32Error.h"

#include <cerrno>
#include <poll.h>

namespace hvsvc {

namespace pp = portlib::platform;

namespace {

constexpr int kAcceptRetryMs = 100;

// Waits until a client is pending or the service stops. False on a stop.
bool WaitForClient(const pp::NamedPipeListener& listener, PauseGate& gate) {
    for (;;) {
        if (gate.Stopping()) return false;
        pollfd fds[2] = {{listener.fd(), POLLIN, 0}, {gate.WakeFd(), POLLIN, 0}};
        const int n = ::poll(fds, 2, -1);
        if (n < 0 && errno == EINTR) continue;
        if (fds[1].revents & POLLIN) return false;
        return true;
    }
}

// A pause after a failed accept that a stop cuts short.
void PauseAfterFailure(PauseGate& gate) {
    pollfd wake = {gate.WakeFd(), POLLIN, 0};
    (void)::poll(&wake, 1, kAcceptRetryMs);
}

}  // namespace

pp::PipeListenOptions PipeServer::Options(std::size_t bufferSize) {
    pp::PipeListenOptions options;
    options.readMode = pp::PipeReadMode::Byte;
    options.nonBlocking = true;
    options.outBufferSize = bufferSize;
    options.inBufferSize = bufferSize;
    return options;
}

bool PipeServer::Run(pp::NamedPipeListener& listener, PauseGate& gate,
                     const std::function<SessionEnd(int fd)>& serve) {
    for (;;) {
        if (!WaitForClient(listener, gate)) return false;
        int fd = -1;
        const int rc = listener.Accept(&fd, pp::kPipeNoWait);
        if (rc != 0) {
            // Nobody waiting after all (a client that left), or short of
            // descriptors: a lasting failure must not make the loop spin.
            if (rc != pp::HV_ERROR_PIPE_LISTENING) PauseAfterFailure(gate);
            continue;
        }
        if (!gate.Pass()) {
            pp::PipeClose(fd);
            return false;
        }
        const SessionEnd end = serve(fd);
        pp::PipeClose(fd);
        if (end == SessionEnd::StopServer) return true;
    }
}

}  // namespace hvsvc
