// A stand-in for the object-persistence service in tests: a listener on the
// service's pipe and a thread that serves a script of exchanges, one
// connection each, in order. Every wait is bounded.
#pragma once

#include "PreserveClient.h"
#include "platform/NamedPipe.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <mutex>
#include <poll.h>
#include <string>
#include <thread>
#include <vector>

namespace hvtest {

inline std::string Words(std::initializer_list<std::uint32_t> words) {
    std::string out;
    for (std::uint32_t w : words)
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((w >> (8 * i)) & 0xFF));
    return out;
}

class FakePreserveServer {
public:
    struct Exchange {
        Exchange() = default;
        Exchange(std::size_t bytes, std::vector<std::string> replyMessages)
            : requestBytes(bytes), reply(std::move(replyMessages)) {}
        std::size_t requestBytes = 16;          // what the client is expected to send
        std::vector<std::string> reply;          // one message each
        bool waitForClientClose = false;         // hold the connection until the client closes it
        // Computes the reply from the request instead (for many clients at once).
        std::function<std::vector<std::string>(const std::string&)> replyFor;
    };
    struct Seen {
        std::string bytes;   // the request as received
        int messages = 0;    // how many messages it came in
        bool clientClosed = false;
    };

    static constexpr int kWaitMs = 5000;

    explicit FakePreserveServer(std::vector<Exchange> script) : script_(std::move(script)) {
        portlib::platform::PipeListenOptions options;
        options.nonBlocking = false;
        options.backlog = 16;
        EXPECT_EQ(listener_.Create(portlib::kPreservePipeName, options), 0);
        thread_ = std::thread([this] { Serve(); });
    }
    ~FakePreserveServer() {
        if (thread_.joinable()) thread_.join();
    }
    FakePreserveServer(const FakePreserveServer&) = delete;
    FakePreserveServer& operator=(const FakePreserveServer&) = delete;

    // Valid once the script has been served: call after the client calls returned.
    std::vector<Seen> Wait() {
        if (thread_.joinable()) thread_.join();
        std::lock_guard<std::mutex> g(mutex_);
        return seen_;
    }

private:
    static bool Readable(int fd) {
        struct pollfd p {fd, POLLIN, 0};
        return ::poll(&p, 1, kWaitMs) == 1;
    }

    void Serve() {
        using namespace portlib::platform;
        for (const Exchange& ex : script_) {
            int conn = -1;
            if (listener_.Accept(&conn, kWaitMs) != 0) {
                ADD_FAILURE() << "no client came";
                return;
            }
            Seen seen;
            while (seen.bytes.size() < ex.requestBytes && Readable(conn)) {
                char buf[65536];
                std::size_t n = 0;
                if (PipeRead(conn, buf, sizeof buf, &n) != 0) break;
                seen.bytes.append(buf, n);
                ++seen.messages;
            }
            std::vector<std::string> reply = ex.replyFor ? ex.replyFor(seen.bytes) : ex.reply;
            for (const std::string& m : reply) {
                std::size_t written = 0;
                (void)PipeWrite(conn, m.data(), m.size(), &written);
            }
            if (ex.waitForClientClose && Readable(conn)) {
                char c;
                std::size_t n = 0;
                seen.clientClosed = PipeRead(conn, &c, 1, &n) == HV_ERROR_BROKEN_PIPE;
            }
            PipeClose(conn);
            std::lock_guard<std::mutex> g(mutex_);
            seen_.push_back(seen);
        }
    }

    std::vector<Exchange> script_;
    portlib::platform::NamedPipeListener listener_;
    std::thread thread_;
    std::mutex mutex_;
    std::vector<Seen> seen_;
};

}  // namespace hvtest
