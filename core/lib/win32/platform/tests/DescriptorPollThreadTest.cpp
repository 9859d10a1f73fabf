// Client threads each wait on their own pipes with the poll layer at the
// same time (the blocking clients do): no wait sees another's entries.
#include "platform/DescriptorPoll.h"
#include "platform/NamedPipe.h"

#include <gtest/gtest.h>

#include <atomic>
#include <sys/socket.h>
#include <thread>
#include <vector>

using namespace portlib::platform;

TEST(DescriptorPollThreads, ThreadsWaitOnTheirOwnPipes) {
    constexpr int kThreads = 4;
    constexpr int kRounds = 300;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&failures, t] {
            int sv[2];
            if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, sv) != 0) {
                ++failures;
                return;
            }
            std::thread peer([&] {
                char buf[16];
                for (int i = 0; i < kRounds; ++i) {
                    pollfd p{sv[1], POLLIN, 0};
                    std::size_t n = 0;
                    if (PollDescriptors(&p, 1, 10000) != 1 || PipeRead(sv[1], buf, sizeof buf, &n) != 0 ||
                        PipeWrite(sv[1], buf, n, &n) != 0) {
                        ++failures;
                        return;
                    }
                }
            });
            const char msg[] = {static_cast<char>('a' + t)};
            for (int i = 0; i < kRounds; ++i) {
                std::size_t n = 0;
                pollfd set[] = {{-1, POLLIN, 0}, {sv[0], POLLIN, 0}};
                char buf[16];
                if (PipeWrite(sv[0], msg, 1, &n) != 0 || PollDescriptors(set, 2, 10000) != 1 ||
                    set[1].revents != POLLIN || PipeRead(sv[0], buf, sizeof buf, &n) != 0 || n != 1 ||
                    buf[0] != msg[0]) {
                    ++failures;
                    break;
                }
            }
            peer.join();
            PipeClose(sv[0]);
            PipeClose(sv[1]);
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(failures.load(), 0);
}
