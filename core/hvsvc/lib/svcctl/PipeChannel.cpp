#include "PipeChannel.h"

#include "platform/NamedPipeIo.h"
#include "platform/Win32Error.h"

#include <cerrno>
#include <chrono>
#include <poll.h>

namespace hvsvc {

namespace pp = portlib::platform;

namespace {

using Clock = std::chrono::steady_clock;

// Waits until fd shows `events` (or cancelFd is readable) before `deadline`.
// 0 ready; 121 time is up; 995 cancelled.
int WaitFor(int fd, short events, int cancelFd, Clock::time_point deadline) {
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return pp::HV_ERROR_SEM_TIMEOUT;
        pollfd fds[2] = {{fd, events, 0}, {cancelFd, POLLIN, 0}};
        const int n = ::poll(fds, cancelFd >= 0 ? 2 : 1, static_cast<int>(left));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return pp::HV_ERROR_GEN_FAILURE;
        if (cancelFd >= 0 && (fds[1].revents & POLLIN)) return HV_ERROR_OPERATION_ABORTED;
        if (n > 0) return 0;  // ready, hung up or failed: the next call says which
    }
}

}  // namespace

int PipeChannel::ReadExact(int fd, void* buf, std::size_t n, int cancelFd, int limitMs) {
    auto* out = static_cast<unsigned char*>(buf);
    std::size_t done = 0;
    auto deadline = Clock::now() + std::chrono::milliseconds(limitMs);
    while (done < n) {
        std::size_t got = 0;
        const int rc = pp::PipeRead(fd, out + done, n - done, &got);
        if (rc == 0 || rc == pp::HV_ERROR_MORE_DATA) {
            done += got;
            deadline = Clock::now() + std::chrono::milliseconds(limitMs);
            continue;
        }
        if (rc != pp::HV_ERROR_NO_DATA) return rc;
        const int w = WaitFor(fd, POLLIN, cancelFd, deadline);
        if (w != 0) return w;
    }
    return 0;
}

int PipeChannel::ReadWord(int fd, std::uint32_t* word, int cancelFd, int limitMs) {
    unsigned char b[4];
    const int rc = ReadExact(fd, b, sizeof b, cancelFd, limitMs);
    if (rc == 0) *word = WordAt(b);
    return rc;
}

int PipeChannel::Write(int fd, const void* buf, std::size_t n, int limitMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(limitMs);
    for (;;) {
        std::size_t written = 0;
        const int rc = pp::PipeWrite(fd, buf, n, &written);
        if (rc != pp::HV_WSAEWOULDBLOCK) return rc;
        const int w = WaitFor(fd, POLLOUT, -1, deadline);
        if (w != 0) return w;
    }
}

std::uint32_t PipeChannel::WordAt(const unsigned char* b) {
    return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
           static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

void PipeChannel::PutWord(unsigned char* b, std::uint32_t word) {
    for (int k = 0; k < 4; ++k) b[k] = static_cast<unsigned char>(word >> (8 * k));
}

}  // namespace hvsvc
