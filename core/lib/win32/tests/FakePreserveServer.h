// A stand-in for the object-persistence service in tests: a SOCK_SEQPACKET
// listener on the service's socket and a thread that serves a script of
// exchanges, one connection each, in order. Every wait is bounded.
#pragma once

#include "platform/SystemDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <functional>
#include <mutex>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
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
        std::string dir;
        EXPECT_EQ(portlib::platform::EnsureSystemPath(portlib::platform::SysArea::Pipe, &dir), 0);
        path_ = dir + "/procpreserveservice";
        listener_ = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
        struct sockaddr_un addr {};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, path_.c_str(), sizeof addr.sun_path - 1);
        EXPECT_EQ(::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        EXPECT_EQ(::listen(listener_, 16), 0);
        thread_ = std::thread([this] { Serve(); });
    }
    ~FakePreserveServer() {
        if (thread_.joinable()) thread_.join();
        ::close(listener_);
        ::unlink(path_.c_str());
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
        for (const Exchange& ex : script_) {
            if (!Readable(listener_)) {
                ADD_FAILURE() << "no client came";
                return;
            }
            int conn = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (conn < 0) return;
            Seen seen;
            while (seen.bytes.size() < ex.requestBytes && Readable(conn)) {
                char buf[65536];
                ssize_t n = ::recv(conn, buf, sizeof buf, 0);
                if (n <= 0) break;
                seen.bytes.append(buf, static_cast<std::size_t>(n));
                ++seen.messages;
            }
            std::vector<std::string> reply = ex.replyFor ? ex.replyFor(seen.bytes) : ex.reply;
            for (const std::string& m : reply) ::send(conn, m.data(), m.size(), MSG_NOSIGNAL);
            if (ex.waitForClientClose && Readable(conn)) {
                char c;
                seen.clientClosed = ::recv(conn, &c, 1, 0) == 0;
            }
            ::close(conn);
            std::lock_guard<std::mutex> g(mutex_);
            seen_.push_back(seen);
        }
    }

    std::vector<Exchange> script_;
    std::string path_;
    int listener_ = -1;
    std::thread thread_;
    std::mutex mutex_;
    std::vector<Seen> seen_;
};

}  // namespace hvtest
