#include "ControlPipeServer.h"

#include "PipeChannel.h"
#include "PipeServer.h"
#include "ServiceCodes.h"

#include "platform/NamedPipeMode.h"
#include "platform/Win32Error.h"

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace hvsvc {

namespace pp = portlib::platform;

namespace {

sigset_t StopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    return set;
}

}  // namespace

ControlPipeServer::~ControlPipeServer() { Close(); }

void ControlPipeServer::BlockStopSignals() {
    const sigset_t set = StopSignals();
    ::pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

int ControlPipeServer::Open() {
    const int rc = listener_.Create(kControlPipeName, PipeServer::Options(0));
    if (rc != 0) return rc;
    const sigset_t set = StopSignals();
    signalFd_ = ::signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (signalFd_ < 0 || wakeFd_ < 0) {
        const int err = errno;
        Close();
        return err == EMFILE || err == ENFILE ? pp::HV_ERROR_TOO_MANY_OPEN_FILES : pp::HV_ERROR_GEN_FAILURE;
    }
    return 0;
}

void ControlPipeServer::Start(Handler handler) {
    handler_ = std::move(handler);
    thread_ = std::thread([this] { Serve(); });
}

void ControlPipeServer::Close() {
    if (thread_.joinable()) {
        const std::uint64_t one = 1;
        (void)!::write(wakeFd_, &one, sizeof one);
        thread_.join();
    }
    listener_.Close();
    if (signalFd_ >= 0) ::close(signalFd_);
    if (wakeFd_ >= 0) ::close(wakeFd_);
    signalFd_ = wakeFd_ = -1;
}

void ControlPipeServer::ServeClient(int fd) {
    std::uint32_t control = 0;
    // A client gets one control; one that says nothing, or something else, is dropped.
    if (PipeChannel::ReadWord(fd, &control, wakeFd_) != 0 || ControlName(control) == nullptr) return;
    unsigned char reply[4];
    PipeChannel::PutWord(reply, handler_(control));
    (void)PipeChannel::Write(fd, reply, sizeof reply);
}

void ControlPipeServer::Serve() {
    for (;;) {
        pollfd fds[3] = {{wakeFd_, POLLIN, 0}, {signalFd_, POLLIN, 0}, {listener_.fd(), POLLIN, 0}};
        const int n = ::poll(fds, 3, -1);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 || (fds[0].revents & POLLIN)) return;
        if (fds[1].revents & POLLIN) {
            signalfd_siginfo info {};
            while (::read(signalFd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) handler_(kControlStop);
        }
        if (fds[2].revents & POLLIN) {
            int fd = -1;
            if (listener_.Accept(&fd, pp::kPipeNoWait) == 0) {
                ServeClient(fd);
                pp::PipeClose(fd);
            }
        }
    }
}

}  // namespace hvsvc
