// getmsg/putmsg on pipe descriptors and getmsgEx/putmsgEx on a serial line
// (a pty pair): what each returns, and that "nothing now" and "no room now"
// are told apart from a hang-up.
#include "MsgIo.h"
#include "SerialMsgIo.h"
#include "WallClock.h"
#include "platform/NamedPipe.h"
#include "platform/tests/PollTestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <fcntl.h>
#include <string>
#include <sys/socket.h>
#include <thread>

using namespace portlib::platform;

namespace {

struct MsgPair {
    int a = -1, b = -1;
    MsgPair() {
        int sv[2];
        if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, sv) != 0) std::abort();
        a = sv[0];
        b = sv[1];
    }
    ~MsgPair() {
        if (a >= 0) PipeClose(a);
        if (b >= 0) PipeClose(b);
    }
};

int Put(int fd, std::string s) {
    hv::strbuf d{0, static_cast<int>(s.size()), s.data()};
    return hv::putmsg(fd, nullptr, &d, 0);
}

TEST(MsgIoTest, ALongMessageComesInPartsWithMoreData) {
    MsgPair p;
    std::string msg(100, '\0');
    for (int i = 0; i < 100; ++i) msg[i] = static_cast<char>(i);
    ASSERT_EQ(Put(p.b, msg), 0);
    ASSERT_EQ(Put(p.b, "next"), 0);
    char buf[64];
    hv::strbuf d{64, -1, buf};
    int flags = 0;
    EXPECT_EQ(hv::getmsg(p.a, nullptr, &d, &flags), hv::MOREDATA);
    EXPECT_EQ(d.len, 64);
    EXPECT_EQ(std::memcmp(buf, msg.data(), 64), 0);
    EXPECT_EQ(hv::getmsg(p.a, nullptr, &d, &flags), 0);
    EXPECT_EQ(d.len, 36);
    EXPECT_EQ(std::memcmp(buf, msg.data() + 64, 36), 0);
    EXPECT_EQ(hv::getmsg(p.a, nullptr, &d, nullptr), 0);
    EXPECT_EQ(std::string(buf, d.len), "next");
}

TEST(MsgIoTest, NothingNowIsNotAHangUpButAGonePeerIs) {
    MsgPair p;
    ASSERT_EQ(PipeSetBlocking(p.a, false), 0);
    char buf[16];
    hv::strbuf d{16, 0, buf};
    errno = 0;
    EXPECT_EQ(hv::getmsg(p.a, nullptr, &d, nullptr), -1);
    EXPECT_EQ(errno, EAGAIN);
    EXPECT_EQ(hv::GetLastMsgError(), HV_ERROR_NO_DATA);
    ASSERT_EQ(Put(p.b, "last"), 0);
    PipeClose(p.b);
    p.b = -1;
    EXPECT_EQ(hv::getmsg(p.a, nullptr, &d, nullptr), 0);
    EXPECT_EQ(hv::GetLastMsgError(), 0);
    EXPECT_EQ(std::string(buf, d.len), "last");
    EXPECT_EQ(hv::getmsg(p.a, nullptr, &d, nullptr), -1);
    EXPECT_EQ(errno, EPIPE);
    EXPECT_EQ(hv::GetLastMsgError(), HV_ERROR_BROKEN_PIPE);
    EXPECT_EQ(Put(p.a, "to nobody"), -1);
    EXPECT_EQ(errno, EPIPE);
}

TEST(MsgIoTest, AFullPipeWouldBlockAndTakesTheMessageLater) {
    MsgPair p;
    ASSERT_EQ(PipeSetBlocking(p.b, false), 0);
    const std::string msg(4096, 'x');
    int sent = 0;
    int rc = 0;
    while ((rc = Put(p.b, msg)) == 0 && sent < 100000) ++sent;
    ASSERT_EQ(rc, -1);
    EXPECT_EQ(errno, EAGAIN);
    EXPECT_EQ(hv::GetLastMsgError(), HV_WSAEWOULDBLOCK);
    // The pipe is up: once the reader has taken what was queued, the same
    // message goes.
    ASSERT_EQ(PipeSetBlocking(p.a, false), 0);
    char buf[4096];
    hv::strbuf d{4096, 0, buf};
    int taken = 0;
    while (hv::getmsg(p.a, nullptr, &d, nullptr) == 0) ++taken;
    EXPECT_EQ(taken, sent);
    pollfd w{p.b, POLLOUT, 0};
    ASSERT_EQ(::poll(&w, 1, 10000), 1);
    EXPECT_EQ(Put(p.b, msg), 0);
}

TEST(MsgIoTest, BadArguments) {
    MsgPair p;
    hv::strbuf empty{0, 0, nullptr};
    EXPECT_EQ(hv::putmsg(p.b, nullptr, &empty, 0), -1);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(hv::putmsg(p.b, nullptr, nullptr, 0), -1);
    EXPECT_EQ(hv::getmsg(p.a, nullptr, nullptr, nullptr), -1);
    hv::strbuf neg{-1, 0, nullptr};
    EXPECT_EQ(hv::getmsg(p.a, nullptr, &neg, nullptr), -1);
    char c;
    hv::strbuf one{1, 0, &c};
    EXPECT_EQ(hv::getmsg(-1, nullptr, &one, nullptr), -1);
    EXPECT_EQ(errno, EBADF);
}

TEST(SerialMsgIoTest, AWriteTakesEveryByteAndReadsTakeWhatIsThere) {
    polltest::PtyPair pty;
    ::fcntl(pty.slave, F_SETFL, ::fcntl(pty.slave, F_GETFL) | O_NONBLOCK);
    ::fcntl(pty.master, F_SETFL, ::fcntl(pty.master, F_GETFL) | O_NONBLOCK);
    char buf[1024];
    hv::strbuf in{sizeof buf, 0, buf};
    EXPECT_EQ(hv::getmsgEx(pty.master, nullptr, &in, nullptr, nullptr), -1);
    EXPECT_EQ(errno, EAGAIN);

    std::string data(200 * 1024, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i % 251);
    std::string got;
    std::thread reader([&] {
        while (got.size() < data.size()) {
            pollfd p{pty.master, POLLIN, 0};
            if (::poll(&p, 1, 10000) != 1) return;
            hv::strbuf r{sizeof buf, 0, buf};
            int rc = hv::getmsgEx(pty.master, nullptr, &r, nullptr, nullptr);
            if (rc == -1 && errno == EAGAIN) continue;
            if (rc != hv::MOREDATA || r.len <= 0) return;
            got.append(buf, static_cast<std::size_t>(r.len));
        }
    });
    hv::strbuf out{0, static_cast<int>(data.size()), data.data()};
    EXPECT_EQ(hv::putmsgEx(pty.slave, nullptr, &out, 0, nullptr), 0);
    reader.join();
    EXPECT_TRUE(got == data) << got.size() << " of " << data.size() << " bytes";
}

TEST(SerialMsgIoTest, AWriteToAHungUpLineFails) {
    polltest::PtyPair pty;
    polltest::CloseFd(pty.master);
    char msg[] = "abc";
    hv::strbuf out{0, 3, msg};
    EXPECT_EQ(hv::putmsgEx(pty.slave, nullptr, &out, 0, nullptr), -1);
    EXPECT_EQ(errno, EIO);
}

TEST(WallClockTest, SecondsAndWholeMilliseconds) {
    timespec before;
    ::clock_gettime(CLOCK_REALTIME, &before);
    timeval tv{};
    EXPECT_EQ(hv::gettimeofday(&tv), 0);
    EXPECT_EQ(tv.tv_usec % 1000, 0);
    EXPECT_GE(tv.tv_usec, 0);
    EXPECT_LT(tv.tv_usec, 1000000);
    EXPECT_GE(tv.tv_sec, before.tv_sec);
    EXPECT_LE(tv.tv_sec, before.tv_sec + 5);
    EXPECT_EQ(hv::gettimeofday(nullptr), -1);
}

}  // namespace
