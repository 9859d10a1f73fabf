// Client threads each use their own connections at the same time; the layer's
// side table (read modes, kept message tails) is shared by all of them.
#include "PipeTestSupport.h"
#include "platform/NamedPipeSideTable.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <poll.h>

using namespace portlib::platform;
using pipetest::Payload;

namespace {

constexpr const char* kName = R"(\\.\pipe\threadtest)";

// Echoes every message back whole; reads them in short parts, so that the
// server's descriptors keep message tails too.
void EchoServer(NamedPipeListener* listener, const std::atomic<bool>* stop, std::atomic<int>* failures) {
    std::map<int, std::string> partial;
    while (!stop->load()) {
        std::vector<pollfd> fds;
        fds.push_back({listener->fd(), POLLIN, 0});
        int wait = 20;
        for (auto& [fd, msg] : partial) {
            fds.push_back({fd, POLLIN, 0});
            if (PipeBufferedBytes(fd)) wait = 0;
        }
        if (::poll(fds.data(), fds.size(), wait) < 0) continue;
        if (fds[0].revents & POLLIN) {
            std::vector<int> taken;
            if (listener->AcceptPending(&taken) != 0) ++*failures;
            for (int fd : taken) partial[fd];
        }
        for (std::size_t i = 1; i < fds.size(); ++i) {
            const int fd = fds[i].fd;
            const short ev = PipeFilterRevents(fd, POLLIN, fds[i].revents);
            if (ev & POLLIN) {
                char buf[97];
                std::size_t got = 0;
                int rc = PipeRead(fd, buf, sizeof buf, &got);
                if (rc == 0 || rc == HV_ERROR_MORE_DATA) {
                    partial[fd].append(buf, got);
                    if (rc == 0) {
                        std::size_t n = 0;
                        if (PipeWrite(fd, partial[fd].data(), partial[fd].size(), &n) != 0) ++*failures;
                        partial[fd].clear();
                    }
                    continue;
                }
                if (rc != HV_ERROR_BROKEN_PIPE && rc != HV_ERROR_NO_DATA) ++*failures;
                if (rc == HV_ERROR_NO_DATA) continue;
            } else if (!(ev & (POLLHUP | POLLERR))) {
                continue;
            }
            PipeClose(fd);
            partial.erase(fd);
        }
    }
    for (auto& [fd, msg] : partial) PipeClose(fd);
}

// Reads one whole message in parts of `chunk` bytes (message mode), or
// exactly `size` bytes (byte mode).
bool ReadBack(int fd, PipeReadMode mode, std::size_t size, std::size_t chunk, std::string* out) {
    std::vector<char> buf(chunk);
    for (;;) {
        if (!(pipetest::WaitReadable(fd) & POLLIN)) return false;
        const std::size_t want = mode == PipeReadMode::Byte ? std::min(chunk, size - out->size()) : chunk;
        std::size_t got = 0;
        int rc = PipeRead(fd, buf.data(), want, &got);
        if (rc == HV_ERROR_NO_DATA) continue;
        if (rc != 0 && rc != HV_ERROR_MORE_DATA) return false;
        out->append(buf.data(), got);
        if (mode == PipeReadMode::Byte ? out->size() == size : rc == 0) return true;
    }
}

TEST(NamedPipeThreads, ClientThreadsEachWithTheirOwnConnection) {
    pipetest::TempSystemDir sys;
    NamedPipeListener listener;
    ASSERT_EQ(listener.Create(kName), 0);
    const std::size_t tableBefore = PipeSideTable::Instance().Count();
    std::atomic<bool> stop{false};
    std::atomic<int> serverFailures{0};
    std::thread server(EchoServer, &listener, &stop, &serverFailures);

    constexpr int kThreads = 6;
    constexpr int kRounds = 150;
    std::atomic<int> clientFailures{0};
    std::vector<std::thread> clients;
    for (int t = 0; t < kThreads; ++t) {
        clients.emplace_back([t, &clientFailures] {
            const PipeReadMode mode = (t % 2) ? PipeReadMode::Byte : PipeReadMode::Message;
            int fd = -1;
            for (int round = 0; round < kRounds; ++round) {
                // Reconnect now and then: descriptors come and go while others are in use.
                if (fd < 0 || round % 20 == 0) {
                    if (fd >= 0) PipeClose(fd);
                    if (PipeConnect(kName, {10000, mode, true}, &fd) != 0) {
                        ++clientFailures;
                        return;
                    }
                }
                const std::string msg = Payload(1 + (round * 37 + t * 101) % 1500, round * kThreads + t);
                std::size_t n = 0;
                if (PipeWrite(fd, msg.data(), msg.size(), &n) != 0) {
                    ++clientFailures;
                    break;
                }
                std::string back;
                if (!ReadBack(fd, mode, msg.size(), 64 + t * 13, &back) || back != msg) {
                    ++clientFailures;
                    break;
                }
            }
            if (fd >= 0) PipeClose(fd);
        });
    }
    for (auto& c : clients) c.join();
    stop = true;
    server.join();
    EXPECT_EQ(clientFailures.load(), 0);
    EXPECT_EQ(serverFailures.load(), 0);
    // Every descriptor's state went with it.
    EXPECT_EQ(PipeSideTable::Instance().Count(), tableBefore);
}

}  // namespace
