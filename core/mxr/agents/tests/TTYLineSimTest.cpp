// The line simulator the two-system tests and the benchmark run on: bytes
// both ways between its two links, and each fault it makes on command.
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "PipeHeartBeatMsg.h"
#include "TTYFrameReader.h"
#include "TTYLineSim.h"
#include "TTYTestSupport.h"
#include "platform/SerialPort.h"

using namespace portlib::platform;

namespace {

struct TempDir {
    std::string path;
    TempDir() {
        char tmpl[] = "/tmp/hvsim-XXXXXX";
        if (::mkdtemp(tmpl) != nullptr) path = tmpl;
    }
    ~TempDir() {
        if (!path.empty()) std::system(("rm -rf " + path).c_str());
    }
};

struct Port {
    int fd = -1;
    explicit Port(const std::string& path) { SerialOpen(path.c_str(), 115200, &fd); }
    ~Port() { SerialClose(fd); }
    void Write(const std::string& s) const {
        std::size_t at = 0;
        while (at < s.size()) {
            const ssize_t n = ::write(fd, s.data() + at, s.size() - at);
            if (n > 0) at += static_cast<std::size_t>(n);
        }
    }
    // What arrives until want bytes are in, or timeoutMs pass.
    std::string Read(std::size_t want, int timeoutMs = 5000) const {
        std::string got;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (got.size() < want && std::chrono::steady_clock::now() < end) {
            pollfd p{fd, POLLIN, 0};
            ::poll(&p, 1, 20);
            char buf[4096];
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n > 0) got.append(buf, static_cast<std::size_t>(n));
        }
        return got;
    }
};

std::string Frame(unsigned short id) {
    return ttytest::BytesOf(ttytest::PacketsOf(BaseMsgPtr(new PipeHeartBeatMsg()), id)[0]);
}

struct Sim : ::testing::Test {
    TempDir dir;
    ttytest::LineSim sim{dir.path};
    void SetUp() override { ASSERT_TRUE(sim.ready); }
};

}  // namespace

TEST_F(Sim, CarriesBytesBothWaysAndCountsThem) {
    Port a(sim.A()), b(sim.B());
    ASSERT_GE(a.fd, 0);
    ASSERT_GE(b.fd, 0);
    std::string all;
    for (int i = 0; i < 3000; ++i) all.push_back(static_cast<char>(i * 31));
    a.Write(all);
    EXPECT_EQ(b.Read(all.size()), all);
    b.Write("pong");
    EXPECT_EQ(a.Read(4), "pong");
    const std::string f = Frame(1);
    a.Write(f + f);
    EXPECT_EQ(b.Read(2 * f.size()), f + f);
    EXPECT_EQ(sim.Do("stats"), "ok " + std::to_string(all.size() + 2 * f.size()) + " 2 4 0");
}

TEST_F(Sim, DropsFlipsAndDelaysTheNthByteOrFrame) {
    Port a(sim.A()), b(sim.B());
    const std::string f1 = Frame(1), f2 = Frame(2), f3 = Frame(3);
    ASSERT_EQ(sim.Do("drop ab frame 2"), "ok");
    a.Write(f1 + f2 + f3);
    EXPECT_EQ(b.Read(f1.size() + f3.size()), f1 + f3);
    ASSERT_EQ(sim.Do("flip ab frame 1 30"), "ok");
    a.Write(f1);
    std::string flipped = f1;
    flipped[30] = static_cast<char>(flipped[30] ^ 0xFF);
    EXPECT_EQ(b.Read(f1.size()), flipped);
    ASSERT_EQ(sim.Do("flip ba byte 2"), "ok");
    ASSERT_EQ(sim.Do("drop ba byte 4"), "ok");
    b.Write("abcde");
    EXPECT_EQ(a.Read(4), std::string("a") + static_cast<char>('b' ^ 0xFF) + "ce");
    // A delayed frame and what follows it wait; then both come, in order.
    ASSERT_EQ(sim.Do("delay ab frame 1 1500"), "ok");
    a.Write(f2 + f3);
    EXPECT_EQ(b.Read(1, 200), "");
    EXPECT_EQ(b.Read(f2.size() + f3.size()), f2 + f3);
}

TEST_F(Sim, APausedDirectionCarriesNothingUntilResumed) {
    Port a(sim.A()), b(sim.B());
    ASSERT_EQ(sim.Do("pause ab"), "ok");
    a.Write("lost");
    b.Write("back");
    EXPECT_EQ(a.Read(4), "back");
    EXPECT_EQ(b.Read(1, 300), "");
    ASSERT_EQ(sim.Do("resume ab"), "ok");
    a.Write("kept");
    EXPECT_EQ(b.Read(4), "kept");
}

TEST_F(Sim, ARateLimitedLineStillCarriesEveryByte) {
    Port a(sim.A()), b(sim.B());
    ASSERT_EQ(sim.Do("rate 115200"), "ok");
    std::string all(3000, 'r');
    a.Write(all);
    EXPECT_EQ(b.Read(all.size()), all);
    EXPECT_EQ(sim.Do("rate x"), "error bad arguments");
}

TEST_F(Sim, RecreatingHangsUpTheOldPortsAndRelinksNewOnes) {
    Port a(sim.A());
    ASSERT_EQ(sim.Do("recreate"), "ok");
    pollfd p{a.fd, POLLIN | POLLHUP, 0};
    ASSERT_EQ(::poll(&p, 1, 5000), 1);
    EXPECT_TRUE(p.revents & POLLHUP);
    Port a2(sim.A()), b2(sim.B());
    ASSERT_GE(a2.fd, 0);
    a2.Write("new");
    EXPECT_EQ(b2.Read(3), "new");
}

TEST_F(Sim, UnknownCommandsAreRefused) {
    EXPECT_EQ(sim.Do("explode"), "error unknown command");
    EXPECT_EQ(sim.Do("drop xy frame 1"), "error bad arguments");
    EXPECT_EQ(sim.Do("delay ab frame 1"), "error delay needs MS");
}

TEST(SimUsage, WithoutADirectoryItPrintsItsUsageAndFails) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 2);
        ::execl(ttytest::LineSimBin(), ttytest::LineSimBin(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int st = 0;
    ASSERT_EQ(::waitpid(pid, &st, 0), pid);
    EXPECT_EQ(WEXITSTATUS(st), 1);
}
