#include "HvinitPipeServer.h"

#include "PipeChannel.h"
#include "PipeServer.h"
#include "libHVinit.h"
#include "qdberr.h"

#include "platform/NamedPipeIo.h"
#include "platform/NamedPipeMode.h"
#include "platform/Win32Error.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <vector>

namespace hvsvc {

namespace pp = portlib::platform;
using Clock = std::chrono::steady_clock;

struct HvinitPipeServer::Client {
    int fd = -1;
    char request[HvinitDispatcher::kRequestBytes] = {};
    std::size_t length = 0;
    Clock::time_point deadline;
    int error = 0;      // the read's failure: the reply is "-3"
    bool done = false;  // complete, failed or silent too long
};

int HvinitPipeServer::Open() {
    const int rc = listener_.Create(hvinit::kPipeName, PipeServer::Options(HvinitDispatcher::kReplyBytes));
    if (rc != 0)
        pxm_err(6, 200006, __FILE__, __LINE__, 0, 0, "Unable to create a named pipe for hvinit, error 0x%x",
                static_cast<unsigned>(rc));
    return rc;
}

// Reads what has come. True when the request is complete or the read failed.
bool HvinitPipeServer::ReadSome(Client& c) {
    for (;;) {
        std::size_t got = 0;
        const int rc = pp::PipeRead(c.fd, c.request + c.length, sizeof c.request - c.length, &got);
        c.length += got;
        if (std::memchr(c.request, '\0', c.length) != nullptr || c.length == sizeof c.request) return true;
        if ((rc == 0 || rc == pp::HV_ERROR_MORE_DATA) && got > 0) continue;
        if (rc == 0 || rc == pp::HV_ERROR_MORE_DATA) return false;
        if (rc == pp::HV_ERROR_NO_DATA) return false;
        // The peer left after its last bytes: what came is the request.
        if (rc != pp::HV_ERROR_BROKEN_PIPE || c.length == 0) c.error = rc;
        return true;
    }
}

void HvinitPipeServer::Answer(Client& c) {
    char reply[HvinitDispatcher::kReplyBytes] = {};
    if (c.error != 0) {
        pxm_err(3, 200008, __FILE__, __LINE__, 0, 0, "Unable to read from named hvinit pipe, error 0x%x",
                static_cast<unsigned>(c.error));
        std::strcpy(reply, "-3");
    } else if (c.length == 0) {
        pxm_err(3, 200008, __FILE__, __LINE__, 0, 0, "Read %d bytes from hvinit pipe.", 0);
        std::strcpy(reply, "-3");
    } else {
        dispatcher_.Dispatch(c.request, c.length, reply, HvinitDispatcher::Origin::Pipe);
    }
    const int rc = PipeChannel::Write(c.fd, reply, sizeof reply, silenceMs_);
    if (rc != 0 && rc != pp::HV_ERROR_BROKEN_PIPE)
        pxm_err(6, 200013, __FILE__, __LINE__, 0, 0, "Unable to write to hvinit pipe, 0x%x", static_cast<unsigned>(rc));
}

int HvinitPipeServer::ServeWaiting() {
    if (!listener_.IsOpen()) return 0;
    std::vector<Client> clients;
    clients.reserve(kClientsPerRound);
    int served = 0;
    bool cancelled = false;
    for (;;) {
        // Take whoever waits now, within the round's bound.
        while (!cancelled && served + static_cast<int>(clients.size()) < kClientsPerRound) {
            int fd = -1;
            if (listener_.Accept(&fd, pp::kPipeNoWait) != 0) break;
            Client c;
            c.fd = fd;
            c.deadline = Clock::now() + std::chrono::milliseconds(silenceMs_);
            clients.push_back(c);
        }
        if (clients.empty()) return served;
        for (Client& c : clients) {
            if (!c.done && ReadSome(c)) c.done = true;
            if (!c.done && (cancelled || Clock::now() >= c.deadline)) {
                c.error = pp::HV_ERROR_SEM_TIMEOUT;
                c.done = true;
            }
            if (c.done) {
                Answer(c);
                pp::PipeClose(c.fd);
                ++served;
            }
        }
        clients.erase(std::remove_if(clients.begin(), clients.end(), [](const Client& c) { return c.done; }),
                      clients.end());
        if (clients.empty()) continue;  // more may have come meanwhile
        // Wait for input from any of them, a new client, the stop, or the nearest deadline.
        std::vector<pollfd> fds;
        Clock::time_point nearest = clients.front().deadline;
        for (const Client& c : clients) {
            fds.push_back({c.fd, POLLIN, 0});
            nearest = std::min(nearest, c.deadline);
        }
        // A client that comes meanwhile is taken into the round at once.
        const bool room = served + static_cast<int>(clients.size()) < kClientsPerRound;
        if (room) fds.push_back({listener_.fd(), POLLIN, 0});
        if (cancelFd_ >= 0) fds.push_back({cancelFd_, POLLIN, 0});
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(nearest - Clock::now()).count();
        const int n = ::poll(fds.data(), fds.size(), static_cast<int>(std::max<long long>(0, left) + 1));
        if (n < 0 && errno != EINTR) cancelled = true;
        if (cancelFd_ >= 0 && (fds.back().revents & POLLIN)) cancelled = true;
    }
}

}  // namespace hvsvc
