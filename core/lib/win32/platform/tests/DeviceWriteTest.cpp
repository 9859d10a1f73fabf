// A serial line takes a long write in pieces: every byte arrives, or the
// write fails once the line stops taking bytes; it is never a partial success.
#include "PollTestSupport.h"

#include "platform/DeviceWrite.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <string>
#include <thread>

using namespace portlib::platform;

namespace {

std::string Pattern(std::size_t size) {
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return s;
}

TEST(DeviceWriteTest, EveryByteOfALongWriteArrives) {
    for (bool blocking : {false, true}) {
        polltest::PtyPair pty;
        if (!blocking) ::fcntl(pty.slave, F_SETFL, ::fcntl(pty.slave, F_GETFL) | O_NONBLOCK);
        const std::string data = Pattern(256 * 1024);  // far more than the line buffers
        std::string received;
        std::thread reader([&] {
            char buf[4096];
            while (received.size() < data.size()) {
                pollfd p{pty.master, POLLIN, 0};
                if (::poll(&p, 1, 10000) != 1) break;
                ssize_t n = ::read(pty.master, buf, sizeof buf);
                if (n <= 0) break;
                received.append(buf, static_cast<std::size_t>(n));
            }
        });
        std::size_t written = 0;
        EXPECT_EQ(DeviceWriteAll(pty.slave, data.data(), data.size(), 5000, &written), 0);
        reader.join();
        EXPECT_EQ(written, data.size());
        EXPECT_TRUE(received == data) << "received " << received.size() << " bytes";
        // The caller's blocking mode is left as it was.
        EXPECT_EQ((::fcntl(pty.slave, F_GETFL) & O_NONBLOCK) == 0, blocking);
    }
}

TEST(DeviceWriteTest, ALineThatTakesNothingFailsWithinTheBound) {
    polltest::PtyPair pty;  // nobody reads the master
    const std::string data = Pattern(1024 * 1024);
    std::size_t written = 0;
    polltest::Stopwatch sw;
    EXPECT_EQ(DeviceWriteAll(pty.slave, data.data(), data.size(), 200, &written), -1);
    EXPECT_EQ(errno, ETIMEDOUT);
    EXPECT_GE(sw.ElapsedMs(), 195);
    EXPECT_LT(written, data.size());
}

TEST(DeviceWriteTest, AHungUpLineFails) {
    polltest::PtyPair pty;
    polltest::CloseFd(pty.master);
    std::size_t written = 0;
    EXPECT_EQ(DeviceWriteAll(pty.slave, "abc", 3, 5000, &written), -1);
    EXPECT_EQ(errno, EIO);
    EXPECT_EQ(DeviceWriteAll(-1, "abc", 3, 5000, &written), -1);
    EXPECT_EQ(errno, EBADF);
}

}  // namespace
