// The command pipe's server on a thread of its own, as the HV-init thread
// runs it between passes, with real clients on the named-pipe layer.
#include "HvinitFixture.h"

#include "HvinitPipeServer.h"
#include "libHVinit.h"
#include "platform/NamedPipe.h"

#include <atomic>
#include <poll.h>
#include <sys/socket.h>
#include <thread>

namespace {

using namespace hvsvctest;
namespace pp = portlib::platform;

constexpr int kSilenceMs = 3000;  // far longer than one answered request takes

class PipeServerTest : public HvinitFixture {
protected:
    void SetUp() override {
        server_ = std::make_unique<hvsvc::HvinitPipeServer>(dispatcher_, -1, kSilenceMs);
        ASSERT_EQ(server_->Open(), 0);
        thread_ = std::thread([this] {
            // Serves when a client comes; the bounded wait lets the thread see stop_.
            while (!stop_) {
                pollfd p = {server_->Fd(), POLLIN, 0};
                if (::poll(&p, 1, 50) == 1) server_->ServeWaiting();
            }
        });
    }
    void TearDown() override {
        stop_ = true;
        thread_.join();
        server_->Close();
    }
    static int Connect() {
        pp::PipeConnectOptions options;
        options.readMode = pp::PipeReadMode::Byte;
        int fd = -1;
        EXPECT_EQ(pp::PipeConnect(hvinit::kPipeName, options, &fd), 0);
        return fd;
    }
    static void Send(int fd, const std::string& bytes) {
        std::size_t written = 0;
        ASSERT_EQ(pp::PipeWrite(fd, bytes.data(), bytes.size(), &written), 0);
    }
    // The whole 256-byte reply, or "" when none came within waitMs.
    static std::string ReplyOn(int fd, int waitMs) {
        std::string reply;
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
        while (reply.size() < 256 && std::chrono::steady_clock::now() < until) {
            pollfd p = {fd, POLLIN, 0};
            if (::poll(&p, 1, 50) != 1) continue;
            char buf[300];
            std::size_t got = 0;
            const int rc = pp::PipeRead(fd, buf, sizeof buf, &got);
            reply.append(buf, got);
            if (rc != 0 && rc != pp::HV_ERROR_MORE_DATA) break;
        }
        return reply;
    }
    static bool HasInput(int fd) {
        pollfd p = {fd, POLLIN, 0};
        return ::poll(&p, 1, 0) == 1;
    }

    std::unique_ptr<hvsvc::HvinitPipeServer> server_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
};

TEST_F(PipeServerTest, SilentClientsDoNotHoldUpARequestAndEachGetsMinus3) {
    std::vector<int> silent;
    for (int i = 0; i < 4; ++i) silent.push_back(Connect());
    char reply[16] = "...............";
    ASSERT_EQ(hvinit::Request(reply, sizeof reply, hvinit::kCmdTellState, {}), 0);
    EXPECT_STREQ(reply, "1");
    // Answered while the silent ones are still being waited for.
    for (int fd : silent) EXPECT_FALSE(HasInput(fd));
    for (int fd : silent) {
        const std::string r = ReplyOn(fd, 5 * kSilenceMs);
        EXPECT_EQ(r.size(), 256u);
        EXPECT_STREQ(r.c_str(), "-3");
        pp::PipeClose(fd);
    }
    EXPECT_GE(Reported(200008), 4u);
}

TEST_F(PipeServerTest, ARequestIsReadUpToItsNulAcrossWritesOrTo1024Bytes) {
    int fd = Connect();
    Send(fd, "4 /bi");
    Send(fd, std::string("n/none ") + '\0');
    EXPECT_STREQ(ReplyOn(fd, 5000).c_str(), "-1");
    pp::PipeClose(fd);

    // 1024 bytes without a NUL, then more: the request ends at 1024.
    fd = Connect();
    Send(fd, "10 " + std::string(1021, 'z'));
    // The server may already have answered and closed: the pipe is then broken.
    const std::string garbage = "garbage that is never read";
    std::size_t written = 0;
    const int rc = pp::PipeWrite(fd, garbage.data(), garbage.size(), &written);
    EXPECT_TRUE(rc == 0 || rc == pp::HV_ERROR_BROKEN_PIPE) << rc;
    EXPECT_STREQ(ReplyOn(fd, 5000).c_str(), "1");
    pp::PipeClose(fd);
}

TEST_F(PipeServerTest, AClientThatLeavesWithoutARequestCostsNothing) {
    const int gone = Connect();
    pp::PipeClose(gone);
    const int half = Connect();
    Send(half, "10 ");  // no NUL, then it stops sending: what came is the request
    ::shutdown(half, SHUT_WR);
    EXPECT_STREQ(ReplyOn(half, 5000).c_str(), "1");
    pp::PipeClose(half);
    char reply[16] = "...............";
    ASSERT_EQ(hvinit::Request(reply, sizeof reply, hvinit::kCmdSvrReady, {}), 0);
    EXPECT_STREQ(reply, "0");
}

}  // namespace
