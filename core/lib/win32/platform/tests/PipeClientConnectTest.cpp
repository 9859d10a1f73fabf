#include "platform/PipeClientConnect.h"
#include "platform/SystemDir.h"
#include "platform/Win32Error.h"
#include "platform/tests/TempSystemDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace portlib::platform;

namespace {

class PipeClientConnectTest : public hvtest::SystemDirTest {
protected:
    // A message-mode listener on run/pipe/<file>.
    int Listen(const std::string& file, int backlog = 8) {
        EXPECT_EQ(EnsureSystemPath(SysArea::Pipe), 0);
        std::string path = SystemPath(SysArea::Pipe) + "/" + file;
        int s = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
        struct sockaddr_un addr {};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
        EXPECT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0) << path;
        EXPECT_EQ(::listen(s, backlog), 0);
        return s;
    }
};

TEST_F(PipeClientConnectTest, NamesMapToTheirSockets) {
    struct Case {
        const char* name;
        const char* file;
    };
    const Case cases[] = {
        {"\\\\.\\pipe\\ProcPreserveService", "procpreserveservice"},
        {"\\\\.\\PIPE\\mxr_pipe", "mxr_pipe"},
        {"\\\\.\\Pipe\\a b/c%.x-y", "a%20b%2Fc%25.x-y"},
    };
    for (const auto& c : cases) {
        int listener = Listen(c.file);
        int fd = -1;
        ASSERT_EQ(PipeClientConnect(c.name, 100, &fd), 0) << c.name;
        // A blocking, close-on-exec, message-mode descriptor.
        int type = 0;
        socklen_t len = sizeof type;
        ASSERT_EQ(::getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &len), 0);
        EXPECT_EQ(type, SOCK_SEQPACKET);
        EXPECT_TRUE(::fcntl(fd, F_GETFD) & FD_CLOEXEC);
        EXPECT_FALSE(::fcntl(fd, F_GETFL) & O_NONBLOCK);
        ::close(fd);
        ::close(listener);
    }
}

TEST_F(PipeClientConnectTest, FailuresGiveWin32Numbers) {
    int fd = 7;
    EXPECT_EQ(PipeClientConnect("\\\\.\\pipe\\nobody", 0, &fd), HV_ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(fd, -1);
    // A socket file whose listener has gone.
    int stale = Listen("stale");
    ::close(stale);
    EXPECT_EQ(PipeClientConnect("\\\\.\\pipe\\stale", 0, &fd), HV_ERROR_FILE_NOT_FOUND);
    struct Case {
        const char* name;
        int rc;
    };
    const Case cases[] = {
        {"\\\\host\\pipe\\x", HV_ERROR_BAD_NETPATH},
        {"\\\\.\\pipe\\", HV_ERROR_INVALID_PARAMETER},
        {"\\\\.\\pipe\\..", HV_ERROR_INVALID_PARAMETER},
        {"pipe\\x", HV_ERROR_INVALID_PARAMETER},
        {nullptr, HV_ERROR_INVALID_PARAMETER},
    };
    for (const auto& c : cases) EXPECT_EQ(PipeClientConnect(c.name, 0, &fd), c.rc) << (c.name ? c.name : "null");
    std::string longName = "\\\\.\\pipe\\" + std::string(120, 'n');
    EXPECT_EQ(PipeClientConnect(longName.c_str(), 0, &fd), HV_ERROR_FILENAME_EXCED_RANGE);
}

TEST_F(PipeClientConnectTest, ABusyPipeIsWaitedForThenReported) {
    int listener = Listen("busy", 0);
    int first = -1;
    ASSERT_EQ(PipeClientConnect("\\\\.\\pipe\\busy", 0, &first), 0);  // fills the backlog
    int second = -1;
    EXPECT_EQ(PipeClientConnect("\\\\.\\pipe\\busy", 50, &second), HV_ERROR_SEM_TIMEOUT);
    // Once the listener takes the first, the next gets in.
    int accepted = ::accept(listener, nullptr, nullptr);
    ASSERT_GE(accepted, 0);
    EXPECT_EQ(PipeClientConnect("\\\\.\\pipe\\busy", 1000, &second), 0);
    ::close(second);
    ::close(accepted);
    ::close(first);
    ::close(listener);
}

}  // namespace
