#include "ServiceControlClient.h"

#include "DetachedProcess.h"
#include "PipeChannel.h"
#include "ServiceCodes.h"

#include "platform/NamedPipeConnect.h"
#include "platform/NamedPipeMode.h"
#include "platform/Win32Error.h"

#include <cerrno>
#include <chrono>
#include <poll.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace hvsvc {

namespace pp = portlib::platform;

int ServiceControlClient::Send(std::uint32_t control, std::uint32_t* state, pid_t* servicePid, int replyMs,
                               int connectMs) {
    int fd = -1;
    const pp::PipeConnectOptions options{connectMs, pp::PipeReadMode::Byte, true};
    int rc = pp::PipeConnect(kControlPipeName, options, &fd);
    if (rc != 0) return rc;
    ucred peer {};
    socklen_t len = sizeof peer;
    if (servicePid != nullptr) *servicePid = ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &len) == 0 ? peer.pid : 0;
    unsigned char word[4];
    PipeChannel::PutWord(word, control);
    rc = PipeChannel::Write(fd, word, sizeof word);
    std::uint32_t answer = 0;
    if (rc == 0) rc = PipeChannel::ReadWord(fd, &answer, -1, replyMs);
    pp::PipeClose(fd);
    if (rc == 0 && state != nullptr) *state = answer;
    return rc;
}

int ServiceControlClient::WaitForExit(pid_t pid, int timeoutMs) {
    const long pidfd = ::syscall(SYS_pidfd_open, pid, 0);
    if (pidfd < 0) return 0;  // already gone
    pollfd p = {static_cast<int>(pidfd), POLLIN, 0};
    int n;
    do {
        n = ::poll(&p, 1, timeoutMs);
    } while (n < 0 && errno == EINTR);
    ::close(static_cast<int>(pidfd));
    return n > 0 ? 0 : pp::HV_ERROR_SEM_TIMEOUT;
}

int ServiceControlClient::Start(const std::string& program, int timeoutMs, std::uint32_t* state) {
    std::uint32_t now = 0;
    if (Send(kControlInterrogate, &now, nullptr) == 0 && now != kStateStopPending && now != kStateStopped) {
        *state = now;
        return 0;
    }
    DetachedSpec spec;
    spec.argv = {program};
    pid_t pid = 0;
    if (DetachedProcess::Start(spec, &pid) != 0) return 1;
    const long pidfd = ::syscall(SYS_pidfd_open, pid, 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int rc = pp::HV_ERROR_SEM_TIMEOUT;
    while (std::chrono::steady_clock::now() < deadline) {
        pid_t answering = 0;
        if (Send(kControlInterrogate, &now, &answering) == 0 && answering == pid && now == kStateRunning) {
            rc = 0;
            break;
        }
        pollfd p = {static_cast<int>(pidfd), POLLIN, 0};
        // The started program ended (another service held the pipe, or it failed).
        if (pidfd >= 0 && ::poll(&p, 1, 0) > 0) {
            rc = 1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (pidfd >= 0) ::close(static_cast<int>(pidfd));
    *state = now;
    return rc;
}

}  // namespace hvsvc
