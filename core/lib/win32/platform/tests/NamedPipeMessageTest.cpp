// Message boundaries, "more data", byte-mode reads, peek and the poll view,
// on real sockets within one process.
#include "PipeTestSupport.h"
#include "platform/NamedPipeSideTable.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>

using namespace portlib::platform;
using pipetest::Payload;
using pipetest::WriteAll;

namespace {

// A listener, a connected client and the server's end of the connection.
class PipePair : public ::testing::Test {
protected:
    void SetUp() override { Open(PipeReadMode::Message); }
    void TearDown() override { CloseEnds(); }

    void Open(PipeReadMode serverMode) {
        PipeListenOptions lo;
        lo.readMode = serverMode;
        lo.nonBlocking = false;
        ASSERT_EQ(listener_.Create(kName, lo), 0);
        Connect();
    }
    void Connect() {
        PipeConnectOptions co;
        co.timeoutMs = 5000;
        ASSERT_EQ(PipeConnect(kName, co, &client_), 0);
        ASSERT_EQ(listener_.Accept(&server_, 5000), 0);
    }
    void CloseEnds() {
        if (client_ >= 0) PipeClose(client_);
        if (server_ >= 0) PipeClose(server_);
        client_ = server_ = -1;
    }

    // Reads one message, however many parts it takes with a buffer of `chunk`.
    std::vector<std::size_t> ReadParts(int fd, std::size_t chunk, std::string* whole) {
        std::vector<std::size_t> parts;
        std::vector<char> buf(chunk);
        for (;;) {
            std::size_t got = 0;
            int rc = PipeRead(fd, buf.data(), chunk, &got);
            if (rc != 0 && rc != HV_ERROR_MORE_DATA) {
                ADD_FAILURE() << "read failed with " << rc;
                return parts;
            }
            parts.push_back(got);
            whole->append(buf.data(), got);
            if (rc == 0) return parts;
        }
    }

    static constexpr const char* kName = R"(\\.\pipe\msgtest)";
    pipetest::TempSystemDir sys_;
    NamedPipeListener listener_;
    int client_ = -1;
    int server_ = -1;
};

TEST_F(PipePair, EachWriteIsReadBackAsOneMessage) {
    const std::size_t sizes[] = {10, 520, 700};
    for (unsigned i = 0; i < 3; ++i) ASSERT_EQ(WriteAll(client_, Payload(sizes[i], i)), 0);
    for (unsigned i = 0; i < 3; ++i) {
        char buf[4096];
        std::size_t got = 0;
        ASSERT_EQ(PipeRead(server_, buf, sizeof buf, &got), 0);
        EXPECT_EQ(std::string(buf, got), Payload(sizes[i], i)) << "message " << i;
    }
}

TEST_F(PipePair, AShortBufferGetsMoreDataAndTheRestFollows) {
    struct Case { std::size_t message, buffer; std::vector<std::size_t> parts; };
    const Case cases[] = {
        {700, 520, {520, 180}},
        {700, 100, {100, 100, 100, 100, 100, 100, 100}},
        {520, 520, {520}},
        {521, 520, {520, 1}},
        {300000, 65536, {65536, 65536, 65536, 65536, 37856}},  // above the default send buffer
    };
    unsigned seed = 0;
    for (const auto& c : cases) {
        const std::string msg = Payload(c.message, ++seed);
        const std::string next = Payload(10, 99);
        ASSERT_EQ(WriteAll(client_, msg), 0) << c.message;
        ASSERT_EQ(WriteAll(client_, next), 0);
        std::string whole;
        EXPECT_EQ(ReadParts(server_, c.buffer, &whole), c.parts) << c.message << "/" << c.buffer;
        EXPECT_EQ(whole, msg);
        // The message after it is untouched.
        std::string after;
        EXPECT_EQ(ReadParts(server_, 4096, &after), std::vector<std::size_t>{10});
        EXPECT_EQ(after, next);
    }
}

TEST_F(PipePair, TheKeptTailIsReadableForPollAndPeek) {
    ASSERT_EQ(WriteAll(client_, Payload(700, 1)), 0);
    PipePeekInfo peek;
    char head[16];
    ASSERT_EQ(PipePeek(server_, head, sizeof head, &peek), 0);
    EXPECT_EQ(peek.copied, 16u);
    EXPECT_EQ(peek.messageLeft, 700u);
    EXPECT_EQ(peek.available, 700u);
    EXPECT_EQ(std::string(head, 16), Payload(700, 1).substr(0, 16));

    char buf[520];
    std::size_t got = 0;
    ASSERT_EQ(PipeRead(server_, buf, sizeof buf, &got), HV_ERROR_MORE_DATA);
    EXPECT_EQ(PipeBufferedBytes(server_), 180u);

    // The socket itself has nothing left: poll(2) alone would miss the tail.
    pollfd p{server_, POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 0), 0);
    EXPECT_EQ(PipeFilterRevents(server_, POLLIN, p.revents), POLLIN);
    // Only what was asked for is added.
    EXPECT_EQ(PipeFilterRevents(server_, POLLOUT, 0), 0);

    ASSERT_EQ(PipePeek(server_, head, sizeof head, &peek), 0);
    EXPECT_EQ(peek.copied, 16u);
    EXPECT_EQ(peek.messageLeft, 180u);
    EXPECT_EQ(peek.available, 180u);
    EXPECT_EQ(std::string(head, 16), Payload(700, 1).substr(520, 16));

    ASSERT_EQ(PipeRead(server_, buf, sizeof buf, &got), 0);
    EXPECT_EQ(got, 180u);
    EXPECT_EQ(PipeBufferedBytes(server_), 0u);
    ASSERT_EQ(PipePeek(server_, head, sizeof head, &peek), 0);
    EXPECT_EQ(peek.available, 0u);
    EXPECT_EQ(peek.copied, 0u);
}

// A byte-mode reader of a message pipe takes a 12-byte header, a 4-byte
// length and the body, however the writer cut them into messages.
TEST_F(PipePair, AByteModeReaderReadsAcrossMessageBoundaries) {
    const std::size_t n = 263;
    const std::string stream = Payload(12 + 4 + n, 5);
    const std::vector<std::vector<std::size_t>> splits = {
        {12 + 4 + n}, {12, 4, n}, {10, 6 + n}, {16, n}, {1, 1, 10, 2, 2, n}, {12, 4 + n - 1, 1},
    };
    ASSERT_EQ(PipeSetReadMode(server_, PipeReadMode::Byte), 0);
    for (const auto& split : splits) {
        std::size_t at = 0;
        for (std::size_t len : split) {
            ASSERT_EQ(WriteAll(client_, stream.substr(at, len)), 0);
            at += len;
        }
        std::string got;
        for (std::size_t want : {std::size_t{12}, std::size_t{4}, n}) {
            std::vector<char> buf(want);
            std::size_t count = 0;
            ASSERT_EQ(PipeRead(server_, buf.data(), want, &count), 0);
            EXPECT_EQ(count, want) << "split of " << split.size();
            got.append(buf.data(), count);
        }
        EXPECT_EQ(got, stream);
        EXPECT_EQ(PipeBufferedBytes(server_), 0u);
    }
}

TEST_F(PipePair, ModesCanChangeBetweenReads) {
    // Message tail left over in message mode is read on in byte mode, and back.
    ASSERT_EQ(WriteAll(client_, Payload(100, 1)), 0);
    ASSERT_EQ(WriteAll(client_, Payload(50, 2)), 0);
    char buf[200];
    std::size_t got = 0;
    ASSERT_EQ(PipeRead(server_, buf, 30, &got), HV_ERROR_MORE_DATA);
    ASSERT_EQ(PipeSetReadMode(server_, PipeReadMode::Byte), 0);
    PipeReadMode mode;
    ASSERT_EQ(PipeGetReadMode(server_, &mode), 0);
    EXPECT_EQ(mode, PipeReadMode::Byte);
    ASSERT_EQ(PipeRead(server_, buf, 90, &got), 0);
    EXPECT_EQ(got, 90u);  // 70 of the tail + 20 of the next message
    EXPECT_EQ(std::string(buf, 70), Payload(100, 1).substr(30));
    ASSERT_EQ(PipeSetReadMode(server_, PipeReadMode::Message), 0);
    ASSERT_EQ(PipeRead(server_, buf, sizeof buf, &got), 0);
    EXPECT_EQ(std::string(buf, got), Payload(50, 2).substr(20));
}

TEST(PipeReadState, WhatTheLayerKeepsForADescriptorItDidNotMakeIsSeenByEveryRead) {
    // A socket pair made outside the layer: its state comes into being on the
    // first thing kept for it, and each read after sees it until it is taken.
    int sv[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, sv), 0);
    char buf[64];
    std::size_t got = 0;
    // A tail kept by a short read comes before the next message.
    ASSERT_EQ(WriteAll(sv[0], "0123456789"), 0);
    ASSERT_EQ(WriteAll(sv[0], "next"), 0);
    ASSERT_EQ(PipeRead(sv[1], buf, 4, &got), HV_ERROR_MORE_DATA);
    ASSERT_EQ(PipeRead(sv[1], buf, sizeof buf, &got), 0);
    EXPECT_EQ(std::string(buf, got), "456789");
    ASSERT_EQ(PipeRead(sv[1], buf, sizeof buf, &got), 0);
    EXPECT_EQ(std::string(buf, got), "next");
    // Byte mode, set after reads in message mode, reads across messages.
    ASSERT_EQ(PipeSetReadMode(sv[1], PipeReadMode::Byte), 0);
    ASSERT_EQ(WriteAll(sv[0], "ab"), 0);
    ASSERT_EQ(WriteAll(sv[0], "cd"), 0);
    std::string bytes;
    while (bytes.size() < 4) {
        ASSERT_EQ(PipeRead(sv[1], buf, 4 - bytes.size(), &got), 0);
        bytes.append(buf, got);
    }
    EXPECT_EQ(bytes, "abcd");
    // And back: one message per read again.
    ASSERT_EQ(PipeSetReadMode(sv[1], PipeReadMode::Message), 0);
    ASSERT_EQ(WriteAll(sv[0], "ef"), 0);
    ASSERT_EQ(WriteAll(sv[0], "gh"), 0);
    ASSERT_EQ(PipeRead(sv[1], buf, sizeof buf, &got), 0);
    EXPECT_EQ(std::string(buf, got), "ef");
    PipeClose(sv[0]);
    PipeClose(sv[1]);
}

TEST_F(PipePair, NonBlockingReadsAndWritesReportWouldBlockNotHangUp) {
    ASSERT_EQ(PipeSetBlocking(server_, false), 0);
    ASSERT_EQ(PipeSetBlocking(client_, false), 0);
    char buf[600];
    std::size_t got = 7;
    EXPECT_EQ(PipeRead(server_, buf, sizeof buf, &got), HV_ERROR_NO_DATA);
    EXPECT_EQ(got, 0u);

    // Fill the connection until a write would block.
    const std::string msg = Payload(520, 3);
    int rc = 0;
    std::size_t sent = 0;
    while (sent < 100000 && (rc = WriteAll(client_, msg)) == 0) ++sent;
    ASSERT_EQ(rc, HV_WSAEWOULDBLOCK);
    ASSERT_GT(sent, 0u);
    // Nothing was lost or broken: every message is there, then writes work again.
    for (std::size_t i = 0; i < sent; ++i) {
        ASSERT_EQ(PipeRead(server_, buf, sizeof buf, &got), 0) << i;
        ASSERT_EQ(got, 520u);
    }
    EXPECT_EQ(PipeRead(server_, buf, sizeof buf, &got), HV_ERROR_NO_DATA);
    EXPECT_EQ(WriteAll(client_, msg), 0);
}

TEST_F(PipePair, EmptyAndInvalidRequestsAreRefused) {
    std::size_t n = 0;
    EXPECT_EQ(PipeWrite(client_, "", 0, &n), HV_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(PipeWrite(-1, "x", 1, &n), HV_ERROR_INVALID_HANDLE);
    EXPECT_EQ(PipeRead(-1, nullptr, 0, &n), HV_ERROR_INVALID_HANDLE);
    EXPECT_EQ(PipeRead(server_, nullptr, 5, &n), HV_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(PipeSetReadMode(12345, PipeReadMode::Byte), HV_ERROR_INVALID_HANDLE);
    int file = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    ASSERT_GE(file, 0);
    char c;
    EXPECT_EQ(PipeRead(file, &c, 1, &n), HV_ERROR_BAD_PIPE);
    ::close(file);
}

TEST_F(PipePair, ClosingForgetsTheKeptTailSoAReusedNumberStartsClean) {
    ASSERT_EQ(WriteAll(client_, Payload(700, 1)), 0);
    char buf[520];
    std::size_t got = 0;
    ASSERT_EQ(PipeRead(server_, buf, sizeof buf, &got), HV_ERROR_MORE_DATA);
    const std::size_t before = PipeSideTable::Instance().Count();
    const int oldServer = server_;
    ASSERT_EQ(PipeClose(server_), 0);
    ASSERT_EQ(PipeClose(client_), 0);
    server_ = client_ = -1;
    EXPECT_EQ(PipeSideTable::Instance().Count(), before - 2);

    Connect();
    ASSERT_EQ(WriteAll(client_, Payload(10, 2)), 0);
    EXPECT_EQ(PipeBufferedBytes(server_), 0u);
    ASSERT_EQ(PipeRead(server_, buf, sizeof buf, &got), 0);
    EXPECT_EQ(std::string(buf, got), Payload(10, 2));
    EXPECT_TRUE(server_ == oldServer || client_ == oldServer) << "number not reused: nothing shown";
}

TEST_F(PipePair, ANewDescriptorReplacesStateLeftByAPlainClose) {
    // A caller that closes a pipe with close(2) leaves the layer's state behind;
    // the next descriptor the layer makes under that number must not inherit it.
    ASSERT_EQ(WriteAll(client_, Payload(700, 1)), 0);
    char buf[520];
    std::size_t got = 0;
    ASSERT_EQ(PipeRead(server_, buf, sizeof buf, &got), HV_ERROR_MORE_DATA);
    const int stale = server_;
    ::close(server_);
    server_ = -1;
    PipeClose(client_);
    client_ = -1;
    ASSERT_EQ(PipeConnect(kName, {}, &client_), 0);
    ASSERT_EQ(listener_.Accept(&server_, 5000), 0);
    ASSERT_TRUE(server_ == stale || client_ == stale);
    EXPECT_EQ(PipeBufferedBytes(stale), 0u);
}

}  // namespace
