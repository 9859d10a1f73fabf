#include "PreserveClient.h"
#include "platform/NamedPipe.h"
#include "platform/SystemDir.h"
#include "platform/tests/PipeTestSupport.h"
#include "platform/tests/TempSystemDir.h"
#include "tests/FakePreserveServer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <vector>

namespace {

using hvtest::FakePreserveServer;
using hvtest::Words;
using namespace portlib;
using namespace portlib::platform;

constexpr std::uint32_t M = kPreserveMagic;

std::string Reply(std::uint32_t status, std::uint32_t flags = 0) { return Words({M, status, flags}); }

// Cuts `bytes` into messages of at most `n` bytes.
std::vector<std::string> Chunks(const std::string& bytes, std::size_t n) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < bytes.size(); i += n) out.push_back(bytes.substr(i, n));
    return out;
}

class PreserveClientTest : public hvtest::SystemDirTest {};

// One call against a service that expects `request` and answers `reply`.
struct ExchangeCase {
    const char* what;
    std::function<int()> call;
    std::string request;
    std::vector<std::string> reply;  // one message each
    int result;                      // what the call returns
};

void ExpectExchange(const ExchangeCase& c) {
    FakePreserveServer server({{c.request.size(), c.reply}});
    EXPECT_EQ(c.call(), c.result) << c.what;
    auto seen = server.Wait();
    ASSERT_EQ(seen.size(), 1u) << c.what;
    EXPECT_EQ(seen[0].bytes, c.request) << c.what;
}

TEST_F(PreserveClientTest, PreserveProcIdSendsTheExactWords) {
    FakePreserveServer server({{16, {Reply(0)}}});
    char text[16] = "untouched";
    EXPECT_EQ(PreserveProcId(4242, sizeof text, text), 0);
    auto seen = server.Wait();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].bytes, Words({0x87654321, 0x1000001, 0, 4242}));
    EXPECT_EQ(seen[0].messages, 2);  // the header, then the pid
    EXPECT_STREQ(text, "untouched");
}

TEST_F(PreserveClientTest, ReplyShapes) {
    const std::string longText(300, 'E');
    const std::string block = Words({static_cast<std::uint32_t>(longText.size())}) + longText;
    struct Case {
        const char* what;
        std::vector<std::string> reply;
        int result;
        const char* text;  // null: the buffer is not checked
    };
    std::vector<Case> cases = {
        {"status passed on", {Reply(0x80000002)}, static_cast<int>(0x80000002), nullptr},
        {"error word read and not used", {Reply(0x80000002, 0x20000), Words({2})}, static_cast<int>(0x80000002),
         nullptr},
        {"error word in the same message", {Reply(0x80000006, 0x20000) + Words({8})}, static_cast<int>(0x80000006),
         nullptr},
        {"data block longer than the buffer, one message", {Reply(0x80000006, 0x40000) + block},
         static_cast<int>(0x80000006), "EEEEEEEEEEEEEEE"},
        {"data block in small pieces", Chunks(Reply(0x80000006, 0x40000) + block, 7), static_cast<int>(0x80000006),
         "EEEEEEEEEEEEEEE"},
        {"both flags", {Reply(0x80000002, 0x60000), Words({5}), Words({3}) + "abc"}, static_cast<int>(0x80000002),
         "abc"},
        {"reply cut short", {Reply(0).substr(0, 6)}, -1, nullptr},
        {"no reply at all", {}, HV_ERROR_BROKEN_PIPE, nullptr},
        {"data block cut short", {Reply(0, 0x40000), Words({1000}) + "0123456789"}, -1, nullptr},
    };
    for (const auto& c : cases) {
        FakePreserveServer server({{16, c.reply}});
        char text[16];
        std::memset(text, '#', sizeof text);
        EXPECT_EQ(PreserveProcId(1, sizeof text, text), c.result) << c.what;
        if (c.text) {
            EXPECT_STREQ(text, c.text) << c.what;
        }
        server.Wait();
    }
}

TEST_F(PreserveClientTest, NamedObjectRequests) {
    const std::string shm = "HVNT-shm";
    const std::vector<ExchangeCase> cases = {
        {"hold shared memory", [] { return PreserveShm("HVNT-shm"); }, Words({M, 0x4000001, 0, 9}) + shm + '\0',
         {Reply(0)}, 0},
        {"query shared memory, not held", [] { return IsShmPreserved("HVNT-shm"); },
         Words({M, 0x4000003, 0, 9}) + shm + '\0', {Reply(0x80000002)}, static_cast<int>(0x80000002)},
        {"forced release", [] { return ClearShm("x", 1); }, Words({M, 0x4000002, 1, 2}) + "x" + '\0', {Reply(0)}, 0},
        {"hold a mutex", [] { return PreserveMutex("HVNT-sem"); }, Words({M, 0x5000001, 0, 9}) + "HVNT-sem" + '\0',
         {Reply(0)}, 0},
        {"query a mutex", [] { return IsMutexPreserved("m"); }, Words({M, 0x5000003, 0, 2}) + "m" + '\0', {Reply(0)}, 0},
        {"release a mutex", [] { return ClearMutex("m", 0); }, Words({M, 0x5000002, 0, 2}) + "m" + '\0', {Reply(0)}, 0},
        {"an event through the generic request", [] { return ProcessObjCmd(0x3000001, "ev", 0, nullptr, 0); },
         Words({M, 0x3000001, 0, 3}) + "ev" + '\0', {Reply(0)}, 0},
        {"an empty name sends only the header", [] { return PreserveShm(""); }, Words({M, 0x4000001, 0}), {Reply(0)}, 0},
    };
    for (const auto& c : cases) ExpectExchange(c);
}

TEST_F(PreserveClientTest, ProcessIdRequests) {
    const std::vector<ExchangeCase> cases = {
        {"query", [] { return IsProcIdPreserved(77); }, Words({M, 0x1000003, 0, 77}), {Reply(0)}, 0},
        {"forced release", [] { return ClearProcId(77, 1); }, Words({M, 0x1000002, 1, 77}), {Reply(0)}, 0},
        {"clean-up", [] { return CleanUpProcIds(); }, Words({M, 0x1000006, 0}), {Reply(0)}, 0},
        {"exit status of a running process", [] { return QueryProcIdStatus(77, 0, nullptr); },
         Words({M, 0x1000007, 0, 77}), {Reply(0), Words({259})}, 259},
        {"exit status of an ended process", [] { return QueryProcIdStatus(78, 0, nullptr); },
         Words({M, 0x1000007, 0, 78}), {Reply(0) + Words({3})}, 3},
        {"exit status of a process not held", [] { return QueryProcIdStatus(79, 0, nullptr); },
         Words({M, 0x1000007, 0, 79}), {Reply(0x80000002)}, static_cast<int>(0x80000002)},
        {"exit status unreadable", [] { return QueryProcIdStatus(80, 0, nullptr); }, Words({M, 0x1000007, 0, 80}),
         {Reply(0x80000006, 0x20000), Words({5})}, static_cast<int>(0x80000006)},
    };
    for (const auto& c : cases) ExpectExchange(c);
}

TEST_F(PreserveClientTest, ServiceAbsentGivesTheErrorAndSendsNothing) {
    char text[32];
    std::strcpy(text, "unchanged");
    EXPECT_EQ(PreserveProcId(1, sizeof text, text), HV_ERROR_FILE_NOT_FOUND);
    EXPECT_STREQ(text, "Win32 Error");
    // A buffer that cannot hold the text with its terminator is left alone.
    char small[11];
    std::memcpy(small, "0123456789", 11);
    EXPECT_EQ(PreserveShm("HVNT-shm", small, sizeof small), HV_ERROR_FILE_NOT_FOUND);
    EXPECT_STREQ(small, "0123456789");
    EXPECT_EQ(QueryProcIdStatus(1, 0, nullptr), HV_ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(DumpShmData(), HV_ERROR_FILE_NOT_FOUND);
    int fd = 99;
    EXPECT_EQ(createPPipe(&fd), HV_ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(fd, -1);

    // A socket file left by a service that has gone: the same, without a second wait.
    std::string path;
    ASSERT_EQ(PipeNameToPath(kPreservePipeName, &path), 0);
    ASSERT_EQ(EnsureSystemPath(SysArea::Pipe), 0);
    int s = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
    struct sockaddr_un addr {};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
    ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::close(s);
    EXPECT_EQ(PreserveMutex("HVNT-sem"), HV_ERROR_FILE_NOT_FOUND);
}

TEST_F(PreserveClientTest, ABusyServiceIsWaitedForThenReported) {
    NamedPipeListener service;
    std::vector<int> queued;
    ASSERT_EQ(pipetest::ListenWithFullQueue(service, kPreservePipeName, &queued), HV_ERROR_PIPE_BUSY);

    // Still busy after the wait and its one retry.
    char text[16] = "";
    int fd = 99;
    EXPECT_EQ(createPPipe(0, &fd, sizeof text, text), HV_ERROR_SEM_TIMEOUT);
    EXPECT_EQ(fd, -1);
    EXPECT_STREQ(text, "Win32 Error");

    // A service that takes the waiting connections lets the client in.
    std::atomic<int> result{-1};
    std::thread client([&] { result = createPPipe(&fd); });
    std::vector<int> taken;
    EXPECT_EQ(pipetest::AcceptUntilSet(service, result, &taken), 0);
    client.join();
    EXPECT_EQ(result.load(), 0);
    ClosePPipe(fd);
    for (int q : queued) PipeClose(q);
    for (int t : taken) PipeClose(t);
}

std::string ObjectRecord(const std::string& name, std::uint32_t handle, std::uint32_t refs) {
    std::string rec(264, '\0');
    std::memcpy(rec.data(), name.data(), std::min<std::size_t>(name.size(), 264));
    return rec + Words({handle, refs});
}

TEST_F(PreserveClientTest, Dumps) {
    const std::string full(264, 'N');  // a name that fills its field without a terminator
    struct Case {
        ExchangeCase exchange;
        std::string output;  // what the call prints
    };
    std::vector<Case> cases = {
        {{"shared memory", DumpShmData, Words({M, 0x4000005, 0}),
          {Reply(0), Words({3}),
           ObjectRecord("HVNT-shm", 0x1c, 2) + ObjectRecord("", 0, 0) + ObjectRecord(full, 0xabc, 1)},
          0},
         "\tSHARED MEMORY NAME  \tHANDLE    \tREF COUNT\n"
         "\t====================\t==========\t==========\n"
         "1\tHVNT-shm            \t0x0000001c\t2\n"
         "2\t(empty)\n"
         "3\t" + full + "\t0x00000abc\t1\n"
         "Return code is 0x0\n"},
        {{"mutexes, none", DumpMutexData, Words({M, 0x5000005, 0}), {Reply(0), Words({0})}, 0},
         "Return code is 0x0\n"},
        {{"process ids", DumpProcIdData, Words({M, 0x1000005, 0}), {Reply(0) + Words({1}) + Words({4242, 0x2f, 3})},
          0},
         "\tPID\t\tHV_INIT HANDLE\t\tREF. COUNT\n"
         "\t=======\t\t==============\t\t=========\n"
         "1\t4242\t\t0x2f\t\t3\n"
         "Return code is 0x0\n"},
        {{"the service failed", DumpShmData, Words({M, 0x4000005, 0}), {Reply(0x80000006, 0x20000), Words({8})},
          static_cast<int>(0x80000006)},
         "Return code is 0x80000006\n"},
        {{"records cut short", DumpMutexData, Words({M, 0x5000005, 0}), {Reply(0), Words({2}), ObjectRecord("m", 1, 1)},
          HV_ERROR_BROKEN_PIPE},
         "\tMUTEX NAME          \tHANDLE    \tREF. COUNT\n"
         "\t====================\t==========\t==========\n"
         "1\tm                   \t0x00000001\t1\n"
         "Return code is 0x6d\n"},
    };
    for (const auto& c : cases) {
        std::string out;
        ExchangeCase printing = c.exchange;
        printing.call = [&c, &out] {
            testing::internal::CaptureStdout();
            int rc = c.exchange.call();
            out = testing::internal::GetCapturedStdout();
            return rc;
        };
        ExpectExchange(printing);
        EXPECT_EQ(out, c.output) << c.exchange.what;
    }
}

TEST_F(PreserveClientTest, StopReadsNoReply) {
    FakePreserveServer::Exchange ex;
    ex.requestBytes = 12;
    ex.waitForClientClose = true;  // no reply comes: a client waiting for one would hang here
    FakePreserveServer server({ex});
    EXPECT_EQ(StopPreserveService(), 0);
    auto seen = server.Wait();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].bytes, Words({0x12345678, 0x1000003, 0}));
    EXPECT_TRUE(seen[0].clientClosed);
}

TEST_F(PreserveClientTest, ManyThreadsEachGetTheirOwnAnswer) {
    constexpr int kClients = 6;
    FakePreserveServer::Exchange ex;
    ex.replyFor = [](const std::string& req) {
        // Status = the pid asked about, and a data block naming it, in one message.
        std::uint32_t pid = 0;
        if (req.size() >= 16) std::memcpy(&pid, req.data() + 12, 4);
        std::string text = "pid " + std::to_string(pid);
        return std::vector<std::string>{Reply(pid, 0x40000) + Words({static_cast<std::uint32_t>(text.size())}) + text};
    };
    FakePreserveServer server(std::vector<FakePreserveServer::Exchange>(kClients, ex));
    std::vector<int> results(kClients, -99);
    std::vector<std::string> texts(kClients);
    std::vector<std::thread> threads;
    for (int i = 0; i < kClients; ++i) {
        threads.emplace_back([i, &results, &texts] {
            char text[32] = {};
            results[i] = PreserveProcId(1000 + i, sizeof text, text);
            texts[i] = text;
        });
    }
    for (auto& t : threads) t.join();
    server.Wait();
    for (int i = 0; i < kClients; ++i) {
        EXPECT_EQ(results[i], 1000 + i);
        EXPECT_EQ(texts[i], "pid " + std::to_string(1000 + i));
    }
}

}  // namespace
