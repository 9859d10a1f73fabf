#include "ConsoleInstance.h"

#include "platform/NamedPipeConnect.h"
#include "platform/NamedPipeMode.h"
#include "platform/Win32Error.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace panelaid {

namespace pp = portlib::platform;

ConsoleInstance::~ConsoleInstance() {
    for (const Peer& p : peers_) pp::PipeClose(p.fd);
}

std::string ConsoleInstance::PipeName(const std::string& program, const std::string& display) {
    return "\\\\.\\pipe\\hvconsole-" + program + "-" + (display.empty() ? std::string("none") : display);
}

std::string ConsoleInstance::CurrentDisplay() {
    const char* d = std::getenv("DISPLAY");
    return d != nullptr ? d : "";
}

ConsoleInstance::Claim ConsoleInstance::ClaimOrRaise(const std::string& program, const std::string& display) {
    const std::string name = PipeName(program, display);
    // Two tries: an owner may end between our attempt to listen and our call.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int rc = listener_.Create(name);
        if (rc == 0) return Claim::Owner;
        if (rc != pp::HV_ERROR_PIPE_BUSY) return Claim::Failed;
        if (AskToRaise(program, display)) return Claim::OtherRaised;
    }
    return Claim::Failed;
}

bool ConsoleInstance::AskToRaise(const std::string& program, const std::string& display, int replyMs) {
    int fd = -1;
    const pp::PipeConnectOptions options{0, pp::PipeReadMode::Message, false};
    if (pp::PipeConnect(PipeName(program, display), options, &fd) != 0) return false;
    bool answered = false;
    if (::send(fd, kRaiseRequest, std::strlen(kRaiseRequest), MSG_NOSIGNAL) ==
        static_cast<ssize_t>(std::strlen(kRaiseRequest))) {
        pollfd p{fd, POLLIN, 0};
        int n;
        while ((n = ::poll(&p, 1, replyMs)) < 0 && errno == EINTR) {
        }
        char buf[8] = {};
        if (n > 0 && ::recv(fd, buf, sizeof buf - 1, MSG_DONTWAIT) == static_cast<ssize_t>(std::strlen(kRaiseAnswer)))
            answered = std::strcmp(buf, kRaiseAnswer) == 0;
    }
    pp::PipeClose(fd);
    return answered;
}

std::vector<int> ConsoleInstance::PeerFds() const {
    std::vector<int> fds;
    for (const Peer& p : peers_) fds.push_back(p.fd);
    return fds;
}

void ConsoleInstance::DropPeer(std::size_t index) {
    pp::PipeClose(peers_[index].fd);
    peers_.erase(peers_.begin() + static_cast<std::ptrdiff_t>(index));
}

int ConsoleInstance::Serve() {
    const auto now = std::chrono::steady_clock::now();
    std::vector<int> fresh;
    if (listener_.IsOpen()) listener_.AcceptPending(&fresh);
    for (int fd : fresh) {
        // Too many silent peers: the oldest goes.
        if (static_cast<int>(peers_.size()) >= kMaxPeers) DropPeer(0);
        peers_.push_back({fd, now});
    }
    int raises = 0;
    for (std::size_t i = 0; i < peers_.size();) {
        char buf[64];
        const ssize_t n = ::recv(peers_[i].fd, buf, sizeof buf, MSG_DONTWAIT);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (now - peers_[i].since > std::chrono::milliseconds(kPeerSilenceMs)) {
                DropPeer(i);
                continue;
            }
            ++i;
            continue;
        }
        if (n == static_cast<ssize_t>(std::strlen(kRaiseRequest)) &&
            std::memcmp(buf, kRaiseRequest, static_cast<std::size_t>(n)) == 0) {
            ++raises;
            ::send(peers_[i].fd, kRaiseAnswer, std::strlen(kRaiseAnswer), MSG_NOSIGNAL | MSG_DONTWAIT);
        }
        // Answered, hung up, or junk: the peer is done.
        DropPeer(i);
    }
    return raises;
}

}  // namespace panelaid
