// Peers that go away: their last messages are all read before the hang-up is
// reported, and writing to them is an error, never a SIGPIPE.
#include "PipeTestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <poll.h>

using namespace portlib::platform;
using pipetest::Child;
using pipetest::Payload;
using pipetest::WriteAll;

namespace {

constexpr const char* kName = R"(\\.\pipe\hanguptest)";

struct HangupCase {
    const char* what;
    bool leaveOurDataUnread;  // the peer exits with a message of ours unread
    std::size_t readBuffer;   // reader's buffer (520 splits the 700-byte message)
    bool pollFirst = true;    // false: blocking reads straight away, no poll to look first
};

class PeerExit : public ::testing::TestWithParam<HangupCase> {};

TEST_P(PeerExit, AllMessagesAreReadBeforeTheHangUp) {
    const HangupCase& c = GetParam();
    pipetest::TempSystemDir sys;
    NamedPipeListener listener;
    PipeListenOptions lo;
    lo.nonBlocking = false;
    ASSERT_EQ(listener.Create(kName, lo), 0);
    pipetest::Gate proceed;

    Child peer([&] {
        int fd = -1;
        if (PipeConnect(kName, {5000, PipeReadMode::Message, false}, &fd) != 0) return 10;
        const std::size_t sizes[] = {10, 520, 700};
        for (unsigned i = 0; i < 3; ++i)
            if (WriteAll(fd, Payload(sizes[i], i)) != 0) return 11 + static_cast<int>(i);
        if (!proceed.WaitOpen()) return 14;
        // Without closing or reading: the exit hangs the connection up.
        return 0;
    });
    int server = -1;
    ASSERT_EQ(listener.Accept(&server, 10000), 0);
    if (c.leaveOurDataUnread) {
        ASSERT_EQ(WriteAll(server, "never read"), 0);
    }
    proceed.Open();
    ASSERT_EQ(peer.Wait(), 0);

    // The peer is gone; everything it sent is still to be read.
    const std::size_t sizes[] = {10, 520, 700};
    for (unsigned i = 0; i < 3; ++i) {
        std::string msg;
        for (;;) {
            if (c.pollFirst) {
                short ev = pipetest::WaitReadable(server);
                ASSERT_TRUE(ev & POLLIN) << "message " << i;
                ASSERT_FALSE(ev & (POLLHUP | POLLERR)) << "hang-up reported with message " << i << " unread";
            }
            std::vector<char> buf(c.readBuffer);
            std::size_t got = 0;
            int rc = PipeRead(server, buf.data(), buf.size(), &got);
            ASSERT_TRUE(rc == 0 || rc == HV_ERROR_MORE_DATA) << rc;
            msg.append(buf.data(), got);
            if (rc == 0) break;
        }
        EXPECT_EQ(msg, Payload(sizes[i], i));
    }
    if (c.pollFirst) {
        EXPECT_TRUE(pipetest::WaitReadable(server) & POLLHUP);
    }
    char buf[16];
    std::size_t got = 0;
    EXPECT_EQ(PipeRead(server, buf, sizeof buf, &got), HV_ERROR_BROKEN_PIPE);
    PipePeekInfo peek;
    EXPECT_EQ(PipePeek(server, buf, sizeof buf, &peek), HV_ERROR_BROKEN_PIPE);
    PipeClose(server);
}

INSTANTIATE_TEST_SUITE_P(
    NamedPipe, PeerExit,
    ::testing::Values(HangupCase{"plain", false, 4096}, HangupCase{"unreadData", true, 4096},
                      HangupCase{"splitMessage", false, 520}, HangupCase{"unreadDataSplit", true, 520},
                      HangupCase{"unreadDataNoPoll", true, 4096, false}, HangupCase{"unreadDataSplitNoPoll", true, 520, false}),
    [](const ::testing::TestParamInfo<HangupCase>& info) { return std::string(info.param.what); });

TEST(NamedPipeHangup, WritingToAPeerThatIsGoneIsBrokenPipeAndTheProcessLives) {
    pipetest::TempSystemDir sys;
    NamedPipeListener listener;
    ASSERT_EQ(listener.Create(kName), 0);
    auto oldHandler = ::signal(SIGPIPE, SIG_DFL);

    // The server's side writes to a client process that has exited ...
    {
        Child peer([] {
            int fd = -1;
            return PipeConnect(kName, {5000, PipeReadMode::Message, false}, &fd) == 0 ? 0 : 10;
        });
        int server = -1;
        ASSERT_EQ(listener.Accept(&server, 10000), 0);
        ASSERT_EQ(peer.Wait(), 0);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(WriteAll(server, Payload(520, i)), HV_ERROR_BROKEN_PIPE);
        PipeClose(server);
    }
    // ... and a client to a server end that was closed, blocking and not.
    for (bool nonBlocking : {false, true}) {
        int client = -1;
        ASSERT_EQ(PipeConnect(kName, {5000, PipeReadMode::Message, nonBlocking}, &client), 0);
        int server = -1;
        ASSERT_EQ(listener.Accept(&server, 10000), 0);
        PipeClose(server);
        EXPECT_EQ(WriteAll(client, "hello"), HV_ERROR_BROKEN_PIPE);
        char buf[8];
        std::size_t got = 0;
        EXPECT_EQ(PipeRead(client, buf, sizeof buf, &got), HV_ERROR_BROKEN_PIPE);
        PipeClose(client);
    }
    ::signal(SIGPIPE, oldHandler);
}

TEST(NamedPipeHangup, ClosingTheListenerHangsUpClientsNotYetAccepted) {
    pipetest::TempSystemDir sys;
    NamedPipeListener listener;
    ASSERT_EQ(listener.Create(kName), 0);
    int client = -1;
    ASSERT_EQ(PipeConnect(kName, {}, &client), 0);
    listener.Close();
    char buf[8];
    std::size_t got = 0;
    EXPECT_EQ(PipeRead(client, buf, sizeof buf, &got), HV_ERROR_BROKEN_PIPE);
    PipeClose(client);
    int again = -1;
    EXPECT_EQ(PipeConnect(kName, {}, &again), HV_ERROR_FILE_NOT_FOUND);
}

}  // namespace
