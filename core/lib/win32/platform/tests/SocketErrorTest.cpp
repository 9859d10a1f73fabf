// A socket's pending error stays for the code that acts on it, whatever the
// poll layer had to read to filter its events.
#include <gtest/gtest.h>

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/DescriptorPoll.h"
#include "platform/NamedPipePoll.h"
#include "platform/NamedPipeSideTable.h"
#include "platform/SocketError.h"
#include "platform/tests/PollTestSupport.h"

namespace {

using namespace portlib::platform;

// A non-blocking connect to a loopback port nobody listens on, waited for
// until the refusal is pending on the socket.
struct RefusedConnect {
    int fd = -1;
    RefusedConnect() {
        sockaddr_in a;
        ::close(polltest::BoundLoopbackSocket(&a, false));  // the port is free again, and nobody listens
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0) std::abort();
        if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 || errno != EINPROGRESS) refusedAtOnce = true;
    }
    ~RefusedConnect() {
        PipeSideTable::Instance().Drop(fd);
        ::close(fd);
    }
    bool refusedAtOnce = false;
};

// The completion of a non-blocking connect is read after the poll: the poll
// must leave the refusal in place, with the kind looked up or handed in.
TEST(SocketErrorTest, APollLeavesAConnectsRefusalForTheCompletionCheck) {
    for (const bool kindKnown : {false, true}) {
        RefusedConnect c;
        if (c.refusedAtOnce) GTEST_SKIP() << "the connect was refused without waiting";
        pollfd p{c.fd, POLLOUT, 0};
        const FdKind kind = FdKind::NetSocket;
        ASSERT_EQ(kindKnown ? PollDescriptors(&p, &kind, 1, 5000) : PollDescriptors(&p, 1, 5000), 1);
        EXPECT_TRUE(p.revents & POLLERR) << p.revents;
        EXPECT_EQ(TakeSocketError(c.fd), ECONNREFUSED);
        EXPECT_EQ(TakeSocketError(c.fd), 0);  // taken
    }
}

// The pipe rules read SO_ERROR to tell a peer's hang-up from an error: an
// error that is no hang-up is kept, shown as POLLERR until it is taken, and
// then handed over once.
TEST(SocketErrorTest, AnErrorThePipeRulesReadIsKeptUntilTaken) {
    RefusedConnect c;
    if (c.refusedAtOnce) GTEST_SKIP() << "the connect was refused without waiting";
    pollfd p{c.fd, POLLOUT, 0};
    ASSERT_EQ(::poll(&p, 1, 5000), 1);
    ASSERT_TRUE(p.revents & POLLERR);
    EXPECT_TRUE(PipeFilterRevents(c.fd, POLLIN, p.revents) & POLLERR);
    EXPECT_EQ(PipeHeldNews(c.fd, POLLIN), POLLERR);
    EXPECT_EQ(TakeSocketError(c.fd), ECONNREFUSED);
    EXPECT_EQ(PipeHeldNews(c.fd, POLLIN), 0);
    EXPECT_EQ(TakeSocketError(c.fd), 0);
}

TEST(SocketErrorTest, NoSocket) { EXPECT_EQ(TakeSocketError(-1), -1); }

}  // namespace
