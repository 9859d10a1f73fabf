// The socket agent's small decisions, as tables: the port a device name
// gives, what an errno does to a connection, and the command line.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "SockAgentOptions.h"
#include "SockIoError.h"
#include "SockNetConfig.h"

namespace {

TEST(SockTables, PortFromTheDeviceName) {
    const SockNetConfig config;
    const struct {
        const char* device;
        unsigned short port;
    } cases[] = {
        {"TCPIP", 1500},      {"TCPIP:2001", 2001}, {":2001", 2001}, {":abc", 1500}, {":0", 1500},
        {"TCPIP:", 1500},     {"TCPIP:65535", 65535}, {"TCPIP:65536", 1500}, {"TCPIP:-5", 1500},
        {"TCPIP:2001x", 2001}, {"a:7:8", 7},        {"", 1500},
    };
    for (const auto& c : cases) EXPECT_EQ(config.PortOf(bStr(c.device)), c.port) << c.device;
    EXPECT_EQ(config.PortOf(bStr()), 1500);
}

TEST(SockTables, ErrnoToAction) {
    for (int err : {EAGAIN, EWOULDBLOCK, EINTR, ENOBUFS})
        EXPECT_EQ(SockIoActionOf(err), SockIoAction::Later) << err;
    for (int err : {ECONNRESET, ECONNABORTED, EPIPE, ENOTCONN, ESHUTDOWN, ENOTSOCK, EBADF, ETIMEDOUT, EHOSTUNREACH,
                    ENETUNREACH, ECONNREFUSED, EIO})
        EXPECT_EQ(SockIoActionOf(err), SockIoAction::HangUp) << err;
}

int Parse(std::vector<std::string> words, SockAgentOptions& o, std::string& usage) {
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    return o.Parse(static_cast<int>(words.size()), argv.data(), usage);
}

TEST(SockTables, CommandLine) {
    {
        SockAgentOptions o;
        std::string usage;
        ASSERT_EQ(Parse({"sockagent"}, o, usage), 0);
        EXPECT_EQ(o.trace, 0);
        EXPECT_EQ(o.hbInterval, 6);
        EXPECT_EQ(o.hbMaxMiss, 5);
    }
    {
        SockAgentOptions o;
        std::string usage;
        ASSERT_EQ(Parse({"sockagent", "-t", "-i", "1", "-k", "3"}, o, usage), 0);
        EXPECT_EQ(o.trace, 1);
        EXPECT_EQ(o.hbInterval, 1);
        EXPECT_EQ(o.hbMaxMiss, 3);
    }
    {
        SockAgentOptions o;
        std::string usage;
        ASSERT_EQ(Parse({"sockagent", "-i", "0"}, o, usage), 0);
        EXPECT_EQ(o.hbInterval, 0);
    }
    for (std::vector<std::string> bad : std::vector<std::vector<std::string>>{
             {"./sockagent", "-n", "x"}, {"./sockagent", "-d", "y"}, {"./sockagent", "-z"}, {"./sockagent", "-i"}}) {
        SockAgentOptions o;
        std::string usage;
        EXPECT_EQ(Parse(bad, o, usage), 1) << bad[1];
        EXPECT_EQ(usage, "./sockagent [-t -i heartbeat_interval -k heartbeat_max_miss]\n");
    }
}

}  // namespace
