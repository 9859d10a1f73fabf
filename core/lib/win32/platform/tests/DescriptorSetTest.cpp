// The persistent wait set on real descriptors: only descriptors with news
// come back, whatever the set holds; the per-kind rules hold as in a poll;
// the pipe layer's held tails count; muted news do not end a wait.
#include "PollTestSupport.h"

#include "platform/DescriptorSet.h"
#include "platform/FdKind.h"
#include "platform/NamedPipe.h"

#include <gtest/gtest.h>

#include <cstring>
#include <poll.h>
#include <string>
#include <vector>

using namespace portlib::platform;

namespace {

using polltest::SeqPair;

void Send(int fd, const std::string& m) {
    std::size_t w = 0;
    ASSERT_EQ(PipeWrite(fd, m.data(), m.size(), &w), 0);
}

std::vector<DescriptorNews> WaitFor(DescriptorSet& set, int timeoutMs) {
    std::vector<DescriptorNews> news;
    EXPECT_GE(set.Wait(news, timeoutMs), 0);
    return news;
}

}  // namespace

TEST(DescriptorSetTest, OnlyTheReadyOnesOfManyComeBack) {
    std::vector<SeqPair> pairs(60);
    DescriptorSet set;
    for (SeqPair& p : pairs) set.Put(p.a, POLLIN, FdKind::Pipe);
    EXPECT_EQ(set.Count(), 60);
    EXPECT_TRUE(WaitFor(set, 0).empty());

    Send(pairs[7].b, "x");
    Send(pairs[42].b, "y");
    std::vector<DescriptorNews> news = WaitFor(set, 10000);
    ASSERT_EQ(news.size(), 2u);
    for (const DescriptorNews& n : news) {
        EXPECT_TRUE(n.fd == pairs[7].a || n.fd == pairs[42].a) << n.fd;
        EXPECT_EQ(n.revents, POLLIN);
    }
    // Level-triggered: still there until read.
    EXPECT_EQ(WaitFor(set, 0).size(), 2u);
}

TEST(DescriptorSetTest, WhatIsWantedChangesAndOwnersShareADescriptor) {
    SeqPair p;
    DescriptorSet set;
    set.Put(p.a, POLLIN, FdKind::Pipe);
    EXPECT_TRUE(WaitFor(set, 0).empty()) << "nothing to read, output not wanted";
    set.Put(p.a, POLLIN | POLLOUT, FdKind::Pipe, POLLIN);
    std::vector<DescriptorNews> news = WaitFor(set, 0);
    ASSERT_EQ(news.size(), 1u);
    EXPECT_EQ(news[0].revents, POLLOUT);

    // A second owner that wants only input; the first goes back to input.
    set.Put(p.a, POLLIN, FdKind::Pipe);
    EXPECT_EQ(set.Count(), 1);
    set.Put(p.a, POLLIN, FdKind::Pipe, POLLIN | POLLOUT);
    EXPECT_TRUE(WaitFor(set, 0).empty());
    set.Remove(p.a, POLLIN);
    Send(p.b, "still watched for the other owner");
    ASSERT_EQ(WaitFor(set, 0).size(), 1u);
    set.Remove(p.a, POLLIN);
    EXPECT_EQ(set.Count(), 0);
    EXPECT_TRUE(WaitFor(set, 0).empty());
}

TEST(DescriptorSetTest, APipeHangsUpOnlyOnceItsMessagesAndHeldTailAreRead) {
    SeqPair p;
    DescriptorSet set;
    set.Put(p.a, POLLIN, FdKind::Pipe);
    Send(p.b, "a message longer than the reader's buffer");
    ::close(p.b);
    p.b = -1;

    std::string got;
    char buf[8];
    for (int reads = 0; reads < 100; ++reads) {
        std::vector<DescriptorNews> news = WaitFor(set, 10000);
        ASSERT_EQ(news.size(), 1u);
        if (news[0].revents & POLLHUP) break;
        // The tail sits with the pipe layer, the socket's queue is empty:
        // readable all the same.
        ASSERT_EQ(news[0].revents, POLLIN);
        std::size_t n = 0;
        const int rc = PipeRead(p.a, buf, sizeof buf, &n);
        ASSERT_TRUE(rc == 0 || rc == HV_ERROR_MORE_DATA) << rc;
        got.append(buf, n);
    }
    EXPECT_EQ(got, "a message longer than the reader's buffer");
}

TEST(DescriptorSetTest, NewsTheRulesDropDoNotEndAWait) {
    polltest::TcpPair tcp;
    polltest::PtyPair pty;
    SeqPair quiet;
    DescriptorSet set;
    // A TCP peer's close is news only for a reader; a hung-up line with
    // nothing queued is never news; a closed descriptor is never ready.
    set.Put(tcp.server, POLLOUT, FdKind::NetSocket);
    set.Put(pty.master, POLLIN, FdKind::Device);
    int closed = ::dup(quiet.a);
    ::close(closed);
    set.Put(closed, POLLIN, FdKind::Pipe);
    set.Put(quiet.a, POLLIN, FdKind::Pipe);
    ASSERT_EQ(WaitFor(set, 0).size(), 1u) << "the TCP socket is writable";
    set.Put(tcp.server, 0, FdKind::NetSocket, POLLOUT);
    polltest::CloseFd(tcp.client);
    polltest::CloseFd(pty.slave);
    EXPECT_TRUE(WaitFor(set, 300).empty());
    EXPECT_TRUE(WaitFor(set, 0).empty());
    // Still watched for what matters: a message on the quiet pipe.
    Send(quiet.b, "m");
    std::vector<DescriptorNews> news = WaitFor(set, 10000);
    ASSERT_EQ(news.size(), 1u);
    EXPECT_EQ(news[0].fd, quiet.a);
}
