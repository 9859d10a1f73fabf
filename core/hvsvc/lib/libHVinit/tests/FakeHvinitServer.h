// A stand-in for HV-init's command pipe in tests: a listener on
// "\\.\pipe\hvinitpipe" and a thread that takes one request per connection
// and answers it as the service does, in a 256-byte zero-padded message.
// Every wait is bounded.
#pragma once

#include "libHVinit.h"
#include "platform/NamedPipe.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <poll.h>
#include <string>
#include <thread>
#include <vector>

namespace hvtest {

class FakeHvinitServer {
public:
    // The reply to the n-th request (from 0); nullopt: stay silent until the
    // client goes; "" closes without a reply.
    using Answer = std::function<std::optional<std::string>(int n, const std::string& request)>;

    static constexpr int kWaitMs = 15000;
    static constexpr std::size_t kReplyBytes = 256;

    explicit FakeHvinitServer(Answer answer) : answer_(std::move(answer)) {
        portlib::platform::PipeListenOptions options;
        options.nonBlocking = false;
        options.backlog = 16;
        EXPECT_EQ(listener_.Create(hvinit::kPipeName, options), 0);
        thread_ = std::thread([this] { Serve(); });
    }
    // Always the same reply.
    explicit FakeHvinitServer(std::string reply)
        : FakeHvinitServer([reply](int, const std::string&) { return std::optional<std::string>(reply); }) {}
    ~FakeHvinitServer() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    FakeHvinitServer(const FakeHvinitServer&) = delete;
    FakeHvinitServer& operator=(const FakeHvinitServer&) = delete;

    // The requests received so far, each exactly as it came (NUL included).
    std::vector<std::string> Requests() {
        std::lock_guard<std::mutex> g(mutex_);
        return requests_;
    }

private:
    static bool Readable(int fd, int ms) {
        struct pollfd p {fd, POLLIN, 0};
        return ::poll(&p, 1, ms) == 1;
    }

    void Serve() {
        using namespace portlib::platform;
        while (!stop_) {
            int conn = -1;
            if (listener_.Accept(&conn, 50) != 0) continue;
            std::string request;
            if (Readable(conn, kWaitMs)) {
                char buf[2048];
                std::size_t n = 0;
                if (PipeRead(conn, buf, sizeof buf, &n) == 0) request.assign(buf, n);
            }
            int index;
            {
                std::lock_guard<std::mutex> g(mutex_);
                index = static_cast<int>(requests_.size());
                requests_.push_back(request);
            }
            std::optional<std::string> reply = answer_(index, request);
            if (!reply) {
                // Silent: hold the connection until the client leaves.
                const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
                while (!stop_ && std::chrono::steady_clock::now() < until && !Readable(conn, 50)) {
                }
            } else if (!reply->empty()) {
                std::string message = *reply;
                message.resize(std::max(kReplyBytes, message.size()), '\0');
                std::size_t written = 0;
                (void)PipeWrite(conn, message.data(), message.size(), &written);
            }
            PipeClose(conn);
        }
    }

    Answer answer_;
    portlib::platform::NamedPipeListener listener_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::string> requests_;
};

// "text" with its terminating NUL, as a request arrives.
inline std::string Sent(const std::string& text) { return text + std::string(1, '\0'); }

}  // namespace hvtest
