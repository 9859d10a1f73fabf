#include "HeldProcess.h"

#include "platform/ErrnoWin32.h"
#include "platform/Win32Error.h"

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#ifndef P_PIDFD
#define P_PIDFD 3
#endif

namespace hvsvc {

HeldProcess::~HeldProcess() { Close(); }

HeldProcess::HeldProcess(HeldProcess&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

HeldProcess& HeldProcess::operator=(HeldProcess&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

int HeldProcess::Open(int pid) {
    Close();
    if (pid <= 0) return portlib::platform::HV_ERROR_INVALID_PARAMETER;
    const long fd = ::syscall(SYS_pidfd_open, pid, 0);
    if (fd < 0) return portlib::platform::Win32FromErrno(errno);
    // pidfd_open sets close-on-exec itself.
    fd_ = static_cast<int>(fd);
    return 0;
}

void HeldProcess::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool HeldProcess::Ended() const {
    if (fd_ < 0) return true;
    pollfd p = {fd_, POLLIN, 0};
    int n;
    do {
        n = ::poll(&p, 1, 0);
    } while (n < 0 && errno == EINTR);
    return n > 0;
}

int HeldProcess::ExitCode(std::uint32_t* code) const {
    if (fd_ < 0) return 6;
    if (!Ended()) {
        *code = kStillActive;
        return 0;
    }
    siginfo_t info {};
    // Only the parent learns the code; the process stays for its own parent to reap.
    if (::waitid(static_cast<idtype_t>(P_PIDFD), static_cast<id_t>(fd_), &info, WEXITED | WNOHANG | WNOWAIT) != 0 ||
        info.si_pid == 0)
        return 50;  // ERROR_NOT_SUPPORTED
    *code = info.si_code == CLD_EXITED ? static_cast<std::uint32_t>(info.si_status)
                                       : 128u + static_cast<std::uint32_t>(info.si_status);
    return 0;
}

}  // namespace hvsvc
