// A NetBIOS name service node for tests and benchmarks: a thread serving
// UDP 137 on a socket made in a test's namespace. It answers name and node
// status queries for the names it owns, written out byte by byte here (not
// with the probe's own builder), counts every query and keeps the last
// name asked; it can stay silent or send foreign replies (a wrong id, an
// oversized datagram) before its answer or instead of it.
#pragma once

#include <arpa/inet.h>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <set>
#include <string>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace netnslab {

class NbnsResponder {
public:
    enum class Mode { Answer, Silent, ForeignFirst, ForeignOnly };

    // fd: a UDP socket not yet bound (made in the responder's namespace).
    NbnsResponder(int fd, std::set<std::string> names, Mode mode = Mode::Answer)
        : fd_(fd), names_(std::move(names)), mode_(mode) {
        const int on = 1;
        ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in any{};
        any.sin_family = AF_INET;
        any.sin_port = htons(137);
        ok_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&any), sizeof any) == 0;
        stop_ = ::eventfd(0, EFD_CLOEXEC);
        thread_ = std::thread([this] { Serve(); });
    }
    ~NbnsResponder() {
        const std::uint64_t one = 1;
        (void)!::write(stop_, &one, sizeof one);
        thread_.join();
        ::close(stop_);
        ::close(fd_);
    }
    bool Ok() const { return ok_; }
    int Queries() const { return queries_.load(); }
    int StatusQueries() const { return statusQueries_.load(); }
    // The 16 bytes of the last name asked.
    std::string LastName() {
        std::lock_guard<std::mutex> lock(mutex_);
        return lastName_;
    }

private:
    static std::string Decode(const std::uint8_t* encoded) {
        std::string name;
        for (int i = 0; i < 16; ++i)
            name.push_back(static_cast<char>((encoded[2 * i] - 'A') << 4 | (encoded[2 * i + 1] - 'A')));
        return name;
    }

    void Serve() {
        std::uint8_t buf[1024];
        for (;;) {
            pollfd p[2] = {{fd_, POLLIN, 0}, {stop_, POLLIN, 0}};
            if (::poll(p, 2, -1) < 0) continue;
            if (p[1].revents) return;
            sockaddr_in from{};
            socklen_t len = sizeof from;
            const ssize_t n = ::recvfrom(fd_, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
            // Header, encoded name (0x20, 32 letters, 0), type, class.
            if (n < 50 || buf[12] != 0x20 || (buf[2] & 0x80)) continue;
            const std::uint16_t type = static_cast<std::uint16_t>(buf[46] << 8 | buf[47]);
            const std::string name = Decode(buf + 13);
            (type == 0x21 ? statusQueries_ : queries_)++;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                lastName_ = name;
            }
            if (mode_ == Mode::Silent || names_.count(name) == 0) continue;
            std::vector<std::uint8_t> reply(buf, buf + 50);
            reply[2] = 0x85;  // response, authoritative, recursion desired
            reply[3] = 0x00;
            reply[4] = 0, reply[5] = 0;  // no question
            reply[6] = 0, reply[7] = 1;  // one answer
            const std::uint8_t ttl[4] = {0, 0, 0, 60};
            reply.insert(reply.end(), ttl, ttl + 4);
            if (type == 0x20) {
                const std::uint8_t data[8] = {0, 6, 0, 0, 10, 0, 0, 2};  // length, flags, an address
                reply.insert(reply.end(), data, data + 8);
            } else {
                const std::uint8_t names[] = {0, 65, 1};  // length 65: one name, then statistics
                reply.insert(reply.end(), names, names + 3);
                reply.insert(reply.end(), name.begin(), name.end());
                reply.push_back(0x04), reply.push_back(0x00);
                reply.insert(reply.end(), 46, 0);
            }
            if (mode_ == Mode::ForeignFirst || mode_ == Mode::ForeignOnly) {
                std::vector<std::uint8_t> wrongId = reply;
                wrongId[1] ^= 0x5a;
                std::vector<std::uint8_t> oversized = reply;
                oversized.resize(700, 0xee);
                for (const auto* junk : {&wrongId, &oversized})
                    ::sendto(fd_, junk->data(), junk->size(), 0, reinterpret_cast<sockaddr*>(&from), len);
                if (mode_ == Mode::ForeignOnly) continue;
            }
            ::sendto(fd_, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&from), len);
        }
    }

    int fd_;
    std::set<std::string> names_;
    Mode mode_;
    bool ok_ = false;
    int stop_ = -1;
    std::atomic<int> queries_{0};
    std::atomic<int> statusQueries_{0};
    std::mutex mutex_;
    std::string lastName_;
    std::thread thread_;
};

}  // namespace netnslab
