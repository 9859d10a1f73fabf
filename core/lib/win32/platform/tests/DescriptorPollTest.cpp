// The poll layer on real descriptors: each kind reports what its callers
// expect, and nothing it filters away makes a wait end early or spin.
#include "PollTestSupport.h"
#include "WhenPolling.h"

#include "platform/DescriptorPoll.h"
#include "platform/FdKind.h"
#include "platform/NamedPipe.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <string>
#include <sys/time.h>
#include <thread>
#include <vector>

using namespace portlib::platform;
using polltest::CloseFd;
using polltest::Stopwatch;

namespace {

short PollOne(int fd, short events, int timeoutMs) {
    pollfd p{fd, events, 0x7fff};
    int rc = PollDescriptors(&p, 1, timeoutMs);
    EXPECT_GE(rc, 0);
    EXPECT_EQ(rc, p.revents ? 1 : 0);
    return p.revents;
}

// A wait of waitMs on the entries that must not end it early nor spin.
void ExpectQuietWait(std::vector<pollfd> fds, int waitMs = 500) {
    const unsigned long waits = GetPollWaitCount();
    Stopwatch sw;
    EXPECT_EQ(PollDescriptors(fds.data(), fds.size(), waitMs), 0);
    EXPECT_GE(sw.ElapsedMs(), waitMs - 5);
    // A spinning loop would go back to the kernel again and again; a quiet
    // one waits there once (twice when an entry's news was filtered away).
    EXPECT_LE(GetPollWaitCount() - waits, 2u);
    for (const pollfd& p : fds) EXPECT_EQ(p.revents, 0);
}

using polltest::SeqPair;

TEST(FdKindTest, EachDescriptorKind) {
    SeqPair seq;
    polltest::TcpPair tcp;
    polltest::PtyPair pty;
    int fifo[2];
    ASSERT_EQ(::pipe2(fifo, O_CLOEXEC), 0);
    int closed = ::dup(fifo[0]);
    ::close(closed);
    EXPECT_EQ(GetFdKind(seq.a), FdKind::Pipe);
    EXPECT_EQ(GetFdKind(fifo[0]), FdKind::Pipe);
    EXPECT_EQ(GetFdKind(tcp.client), FdKind::NetSocket);
    EXPECT_EQ(GetFdKind(pty.master), FdKind::Device);
    EXPECT_EQ(GetFdKind(pty.slave), FdKind::Device);
    EXPECT_EQ(GetFdKind(closed), FdKind::Invalid);
    EXPECT_EQ(GetFdKind(-1), FdKind::Invalid);
    ::close(fifo[0]);
    ::close(fifo[1]);
}

TEST(DescriptorPollTest, NoEntries) {
    EXPECT_EQ(PollDescriptors(nullptr, 0, 0), 0);
    ExpectQuietWait({}, 200);
}

TEST(DescriptorPollTest, SeqPacketHangsUpOnlyAfterTheQueuedMessagesAreRead) {
    SeqPair p;
    for (const char* m : {"one", "two", "three-is-long"}) {
        std::size_t w = 0;
        ASSERT_EQ(PipeWrite(p.b, m, std::strlen(m), &w), 0);
    }
    ::close(p.b);
    p.b = -1;

    // A short read leaves a tail with the layer: readable although the
    // socket's own queue may hold nothing more.
    std::vector<std::string> got(1);
    char buf[8];
    for (;;) {
        const short rev = PollOne(p.a, POLLIN, 10000);
        if (rev & POLLHUP) break;
        ASSERT_EQ(rev, POLLIN);
        std::size_t n = 0;
        const int rc = PipeRead(p.a, buf, 4, &n);
        ASSERT_TRUE(rc == 0 || rc == HV_ERROR_MORE_DATA) << rc;
        got.back().append(buf, n);
        if (rc == 0) got.emplace_back();
        if (rc == HV_ERROR_MORE_DATA && got.size() == 3) {
            // The last message's tail is held by the layer, nothing is queued
            // in the socket: still readable at once.
            EXPECT_EQ(PollOne(p.a, POLLIN, 10000), POLLIN);
        }
    }
    got.pop_back();
    std::string all;
    for (auto& s : got) all += s + "|";
    EXPECT_EQ(all, "one|two|three-is-long|");
    // Hang-up stays reported; an entry that asked only for output sees it too.
    EXPECT_EQ(PollOne(p.a, POLLIN, 0), POLLHUP);
    EXPECT_TRUE(PollOne(p.a, POLLOUT, 0) & (POLLHUP | POLLERR));
}

TEST(DescriptorPollTest, PtyNeverHangsUpAndDoesNotSpinAfterThePeerCloses) {
    {
        polltest::PtyPair pty;
        ASSERT_EQ(::write(pty.slave, "abc", 3), 3);
        CloseFd(pty.slave);
        // What was sent before the close is readable; no hang-up is reported.
        EXPECT_EQ(PollOne(pty.master, POLLIN | POLLOUT, 10000), POLLIN);
        char buf[16];
        ASSERT_EQ(::read(pty.master, buf, sizeof buf), 3);
        EXPECT_EQ(PollOne(pty.master, POLLIN | POLLOUT, 0), 0);
        ExpectQuietWait({{pty.master, POLLIN | POLLOUT, 0}});
    }
    {
        polltest::PtyPair pty;
        CloseFd(pty.master);  // the line hangs up under the slave
        EXPECT_EQ(PollOne(pty.slave, POLLIN | POLLOUT, 0), 0);
        ExpectQuietWait({{pty.slave, POLLIN, 0}});
    }
}

TEST(DescriptorPollTest, APtyHangUpIsToldToTheCallerThatAsksForIt) {
    polltest::PtyPair pty;
    EXPECT_EQ(PollOne(pty.slave, POLLIN | POLLHUP, 0), 0);
    CloseFd(pty.master);
    // Told at once, and again (the caller stops polling the line), and the
    // hang-up cuts a wait short.
    EXPECT_EQ(PollOne(pty.slave, POLLIN | POLLHUP, 10000), POLLHUP);
    EXPECT_EQ(PollOne(pty.slave, POLLHUP, 10000), POLLHUP);
    // A caller that did not ask still sees nothing.
    EXPECT_EQ(PollOne(pty.slave, POLLIN, 0), 0);
}

TEST(DescriptorPollTest, PtyDataBothWays) {
    polltest::PtyPair pty;
    EXPECT_EQ(PollOne(pty.master, POLLOUT, 0), POLLOUT);
    EXPECT_EQ(PollOne(pty.slave, POLLIN, 0), 0);
    ASSERT_EQ(::write(pty.master, "x", 1), 1);
    EXPECT_EQ(PollOne(pty.slave, POLLIN, 10000), POLLIN);
}

TEST(DescriptorPollTest, TcpPeerCloseIsReadableAndResetIsAnError) {
    {
        polltest::TcpPair tcp;
        ASSERT_EQ(::send(tcp.client, "hi", 2, MSG_NOSIGNAL), 2);
        CloseFd(tcp.client);
        EXPECT_EQ(PollOne(tcp.server, POLLIN, 10000), POLLIN);
        char buf[8];
        EXPECT_EQ(::recv(tcp.server, buf, sizeof buf, 0), 2);
        // The end of the stream is readable, never a hang-up, also once our
        // side has shut down too (when poll(2) itself says POLLHUP).
        EXPECT_EQ(PollOne(tcp.server, POLLIN, 0), POLLIN);
        ::shutdown(tcp.server, SHUT_WR);
        EXPECT_EQ(PollOne(tcp.server, POLLIN | POLLOUT, 0) & (POLLIN | POLLHUP), POLLIN);
        EXPECT_EQ(::recv(tcp.server, buf, sizeof buf, 0), 0);
        EXPECT_EQ(PollOne(tcp.server, POLLOUT, 0) & POLLHUP, 0);
    }
    {
        polltest::TcpPair tcp;
        tcp.ResetClient();
        const short rev = PollOne(tcp.server, POLLIN, 10000);
        EXPECT_TRUE(rev & POLLERR) << rev;
        EXPECT_EQ(rev & POLLHUP, 0);
    }
}

TEST(DescriptorPollTest, ClosedDescriptorIsNeverReadyAndDoesNotStopTheOthers) {
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    const int closed = ::dup(fds[0]);
    ::close(closed);
    ExpectQuietWait({{closed, POLLIN, 0}, {-1, POLLIN, 0}});

    // Another entry becoming ready ends the wait as usual.
    pollfd set[] = {{closed, POLLIN, 0}, {-1, POLLIN, 0}, {fds[0], POLLIN, 0}};
    polltest::WhenPolling writer([&] { (void)!::write(fds[1], "x", 1); });
    EXPECT_EQ(PollDescriptors(set, 3, 10000), 1);
    EXPECT_TRUE(writer.SawPoll());
    EXPECT_EQ(set[0].revents, 0);
    EXPECT_EQ(set[1].revents, 0);
    EXPECT_EQ(set[2].revents, POLLIN);
    ::close(fds[0]);
    ::close(fds[1]);
}

void OnAlarm(int) {}

TEST(DescriptorPollTest, SignalDuringTheWaitDoesNotShortenIt) {
    struct sigaction sa {}, old{};
    sa.sa_handler = OnAlarm;  // no SA_RESTART: poll(2) returns EINTR
    ::sigaction(SIGALRM, &sa, &old);
    itimerval t{};
    t.it_value.tv_usec = 100000;
    t.it_interval.tv_usec = 60000;  // several interruptions
    ::setitimer(ITIMER_REAL, &t, nullptr);

    Stopwatch sw;
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    pollfd p{fds[0], POLLIN, 0};
    const int rc = PollDescriptors(&p, 1, 400);
    const double elapsed = sw.ElapsedMs();

    itimerval off{};
    ::setitimer(ITIMER_REAL, &off, nullptr);
    ::sigaction(SIGALRM, &old, nullptr);
    EXPECT_EQ(rc, 0);
    EXPECT_GE(elapsed, 395);
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST(DescriptorPollTest, RegularFileIsNeverReady) {
    char path[] = "/tmp/hvpollXXXXXX";
    int fd = ::mkstemp(path);
    ASSERT_GE(fd, 0);
    ::unlink(path);
    EXPECT_EQ(PollOne(fd, POLLIN | POLLOUT, 0), 0);
    ::close(fd);
}

}  // namespace
