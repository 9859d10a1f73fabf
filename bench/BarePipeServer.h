// A bare server on one pipe name for the baselines: one thread answers every
// request with a 256-byte "1", one connection at a time.
#pragma once

#include "platform/NamedPipe.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <thread>

class BarePipeServer {
public:
    explicit BarePipeServer(const char* name) {
        portlib::platform::PipeListenOptions options;
        options.nonBlocking = false;
        if (listener_.Create(name, options) != 0) std::abort();
        thread_ = std::thread([this] { Serve(); });
    }
    ~BarePipeServer() {
        stop_ = true;
        thread_.join();
    }
    BarePipeServer(const BarePipeServer&) = delete;
    BarePipeServer& operator=(const BarePipeServer&) = delete;

private:
    void Serve() {
        using namespace portlib::platform;
        char reply[256] = "1";
        while (!stop_) {
            int fd = -1;
            if (listener_.Accept(&fd, 50) != 0) continue;
            char buf[1024];
            std::size_t n = 0;
            if (PipeRead(fd, buf, sizeof buf, &n) == 0) (void)PipeWrite(fd, reply, sizeof reply, &n);
            PipeClose(fd);
        }
    }
    portlib::platform::NamedPipeListener listener_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
};

// One exchange as a tool makes it: connect, the request with its NUL, the
// reply (at most 16 bytes taken), close. False when any step fails.
inline bool BarePipeExchange(const char* name, const char* request) {
    using namespace portlib::platform;
    int fd = -1;
    if (PipeConnect(name, {kPipeNoWait, PipeReadMode::Byte, false}, &fd) != 0) return false;
    char reply[17];
    std::size_t n = 0;
    bool ok = PipeWrite(fd, request, std::strlen(request) + 1, &n) == 0;
    pollfd p{fd, POLLIN, 0};
    ok = ok && ::poll(&p, 1, 10000) == 1 && PipeRead(fd, reply, sizeof reply - 1, &n) != HV_ERROR_BROKEN_PIPE && n > 0;
    PipeClose(fd);
    return ok;
}
