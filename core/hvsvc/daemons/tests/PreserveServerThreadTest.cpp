// The object-persistence server on its own thread, over the real pipe, with
// the portability library's client and raw clients that break the protocol.
#include "ServiceTestSupport.h"

#include "PauseGate.h"
#include "PreserveClient.h"
#include "PreservePipeIo.h"
#include "PreserveServer.h"

#include "platform/NamedPipeConnect.h"
#include "platform/NamedPipeMode.h"
#include "platform/NamedMutex.h"
#include "platform/OwnerEvent.h"
#include "platform/SharedSegment.h"
#include "platform/Win32Error.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {

// The creator of the shared segment below runs in a process of its own. It is
// forked while the server thread runs, so the child execs this test program
// again at once (nothing but exec is safe in a child of a threaded process)
// and does its work from this initializer, before any test starts.
constexpr const char* kCreatorVar = "HVSVC_TEST_SHM_CREATOR";
const bool creatorRan = [] {
    const char* name = std::getenv(kCreatorVar);
    if (name == nullptr) return false;
    portlib::platform::SharedSegment seg;
    const bool ok = seg.Create(name, 4096) == 0 && seg.Publish() == 0 && portlib::PreserveShm(name) == 0;
    ::_exit(ok ? 0 : 1);
}();

using namespace hvsvctest;
using portlib::PreservePipeIo;
namespace pp = portlib::platform;

constexpr int kNotFound = static_cast<int>(portlib::kPreserveStatusNotFound);
constexpr int kFailed = static_cast<int>(portlib::kPreserveStatusFailed);

// A raw connection: requests built word by word, replies read as they come.
class RawClient {
public:
    RawClient() { EXPECT_EQ(pp::PipeConnect(portlib::kPreservePipeName, {2000, pp::PipeReadMode::Byte, false}, &fd_), 0); }
    ~RawClient() { pp::PipeClose(fd_); }
    void Words(std::initializer_list<std::uint32_t> words) {
        for (std::uint32_t w : words) Check(PreservePipeIo::WriteWord(fd_, w));
    }
    void Bytes(const std::string& bytes) { Check(PreservePipeIo::Write(fd_, bytes.data(), bytes.size())); }
    // A client that breaks the protocol may find the connection gone before
    // it has sent everything.
    void MayBeDropped() { mayBeDropped_ = true; }
    void Name(const std::string& name) {
        Words({static_cast<std::uint32_t>(name.size() + 1)});
        Bytes(std::string(name.c_str(), name.size() + 1));
    }
    // The next word, or the read's error in *rc.
    std::uint32_t Word(int* rc = nullptr) {
        portlib::DWORD w = 0;
        const int r = PreservePipeIo::ReadWord(fd_, &w);
        if (rc != nullptr) *rc = r;
        EXPECT_TRUE(rc != nullptr || r == 0) << r;
        return w;
    }
    // True when the server closed the connection without another byte.
    bool Dropped() {
        int rc = 0;
        Word(&rc);
        return rc == pp::HV_ERROR_BROKEN_PIPE;
    }
    int fd() const { return fd_; }

private:
    void Check(int rc) { EXPECT_TRUE(rc == 0 || (mayBeDropped_ && rc == pp::HV_ERROR_NO_DATA)) << rc; }

    int fd_ = -1;
    bool mayBeDropped_ = false;
};

struct NamedDump {
    std::uint32_t count = 0;
    std::vector<std::pair<std::string, std::int32_t>> records;  // name, refs
};

NamedDump DumpNamed(std::uint32_t command) {
    RawClient c;
    c.Words({portlib::kPreserveMagic, command, 0});
    EXPECT_EQ(c.Word(), portlib::kPreserveMagic);
    EXPECT_EQ(c.Word(), 0u);
    EXPECT_EQ(c.Word(), 0u);
    NamedDump d;
    d.count = c.Word();
    for (std::uint32_t i = 0; i < d.count && i < 1000; ++i) {
        char name[264];
        EXPECT_EQ(PreservePipeIo::ReadExact(c.fd(), name, sizeof name), 0);
        c.Word();  // handle
        d.records.emplace_back(std::string(name, strnlen(name, sizeof name)), static_cast<std::int32_t>(c.Word()));
    }
    return d;
}

class PreserveServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        thread_ = std::thread([this] { result_ = PreserveServer(gate_, 300).Run(); });
        ASSERT_TRUE(WaitUntil([] {
            int fd = -1;
            if (pp::PipeConnect(portlib::kPreservePipeName, {}, &fd) != 0) return false;
            pp::PipeClose(fd);
            return true;
        }));
    }
    void TearDown() override {
        gate_.Stop();
        thread_.join();
    }
    using PreserveServer = hvsvc::PreserveServer;

    hvtest::TempSystemDir sys_;
    hvsvc::PauseGate gate_;
    std::thread thread_;
    int result_ = -1;
};

TEST_F(PreserveServerTest, PidIsCountedAndItsStatusFollowsTheProcess) {
    Child probe = Spawn({HV_PROBE_BIN, "wait"});
    const pid_t pid = probe.pid;
    EXPECT_EQ(portlib::PreserveProcId(pid, 0, nullptr), 0);
    EXPECT_EQ(portlib::PreserveProcId(pid, 0, nullptr), 0);
    EXPECT_EQ(portlib::IsProcIdPreserved(pid), 0);
    EXPECT_EQ(portlib::QueryProcIdStatus(pid, 0, nullptr), 259);
    {
        RawClient c;  // one entry, count 2
        c.Words({portlib::kPreserveMagic, portlib::kPreserveDumpPids, 0});
        EXPECT_EQ(c.Word(), portlib::kPreserveMagic);
        EXPECT_EQ(c.Word(), 0u);
        EXPECT_EQ(c.Word(), 0u);
        ASSERT_EQ(c.Word(), 1u);
        EXPECT_EQ(c.Word(), static_cast<std::uint32_t>(pid));
        c.Word();
        EXPECT_EQ(c.Word(), 2u);
    }
    // The process ends (and is reaped by its parent, the test): its code is
    // not this server's to read.
    Reap(probe);
    {
        RawClient c;
        c.Words({portlib::kPreserveMagic, portlib::kPreservePidStatus, 0, static_cast<std::uint32_t>(pid)});
        EXPECT_EQ(c.Word(), portlib::kPreserveMagic);
        EXPECT_EQ(c.Word(), portlib::kPreserveStatusFailed);
        EXPECT_EQ(c.Word(), portlib::kPreserveFlagErrorWord);
        EXPECT_EQ(c.Word(), 50u);
    }
    EXPECT_EQ(portlib::QueryProcIdStatus(::getpid() + 0, 0, nullptr), kNotFound);  // never held
    EXPECT_EQ(portlib::ClearProcId(pid), 0);
    EXPECT_EQ(portlib::ClearProcId(pid), 0);
    EXPECT_EQ(portlib::ClearProcId(pid), kNotFound);
    EXPECT_EQ(portlib::IsProcIdPreserved(pid), kNotFound);
    EXPECT_EQ(portlib::CleanUpProcIds(), 0);
    // No such process: the open's error comes back.
    char text[32] = {};
    EXPECT_EQ(portlib::PreserveProcId(0x3FFFFFF0, sizeof text, text), kNotFound);
}

TEST_F(PreserveServerTest, SharedMemoryOutlivesItsCreatorUntilAForcedClear) {
    // The creator holds it through the server and ends.
    ASSERT_FALSE(creatorRan);
    // The child's environment is made here: the child only execs.
    std::vector<std::string> envText{std::string(kCreatorVar) + "=hvsvc-seg"};
    for (char** e = environ; *e != nullptr; ++e) envText.emplace_back(*e);
    std::vector<char*> envp;
    for (std::string& e : envText) envp.push_back(e.data());
    envp.push_back(nullptr);
    const pid_t creator = ::fork();
    if (creator == 0) {
        ::execle("/proc/self/exe", "PreserveServerCreator", static_cast<char*>(nullptr), envp.data());
        ::_exit(127);
    }
    int st = 0;
    ASSERT_EQ(::waitpid(creator, &st, 0), creator);
    ASSERT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0);
    pp::SharedSegment seen;
    ASSERT_EQ(seen.Attach("hvsvc-seg"), 0);
    seen.Detach();
    EXPECT_EQ(portlib::PreserveShm("hvsvc-seg"), 0);
    EXPECT_EQ(portlib::PreserveShm("hvsvc-seg"), 0);
    NamedDump d = DumpNamed(portlib::kPreserveDumpShm);
    ASSERT_EQ(d.count, 10u);
    EXPECT_EQ(d.records[0], std::make_pair(std::string("hvsvc-seg"), 3));
    // One forced clear lets it go at once; it is gone with its last handle.
    EXPECT_EQ(portlib::ClearShm("hvsvc-seg", 1), 0);
    EXPECT_EQ(portlib::IsShmPreserved("hvsvc-seg"), kNotFound);
    EXPECT_EQ(portlib::ClearShm("hvsvc-seg", 0), kNotFound);
    EXPECT_EQ(seen.Attach("hvsvc-seg"), ENOENT);
    EXPECT_EQ(DumpNamed(portlib::kPreserveDumpShm).records[0], std::make_pair(std::string(), 0));
}

TEST_F(PreserveServerTest, MissingOrWrongKindObjectsAnswerWithTheError) {
    pp::NamedMutex mutex;
    ASSERT_EQ(mutex.CreateOrOpen("hvsvc-mx"), 0);
    struct Case {
        std::uint32_t command;
        const char* name;
        std::uint32_t error;
    };
    const std::string tooLong(230, 'm');
    const Case cases[] = {{portlib::kPreserveStoreShm, "no-such-object", 2},
                          {portlib::kPreserveStoreEvent, "hvsvc-mx", 6},  // a mutex, not an event
                          {portlib::kPreserveStoreMutex, tooLong.c_str(), 206}};
    for (const Case& c : cases) {
        RawClient raw;
        raw.Words({portlib::kPreserveMagic, c.command, 0});
        raw.Name(c.name);
        EXPECT_EQ(raw.Word(), portlib::kPreserveMagic);
        EXPECT_EQ(raw.Word(), portlib::kPreserveStatusNotFound) << c.name;
        EXPECT_EQ(raw.Word(), portlib::kPreserveFlagErrorWord);
        EXPECT_EQ(raw.Word(), c.error) << c.name;
    }
    EXPECT_EQ(DumpNamed(portlib::kPreserveDumpEvents).count, 0u);  // nothing was added
    EXPECT_EQ(portlib::PreserveMutex("hvsvc-mx"), 0);
    EXPECT_EQ(portlib::IsMutexPreserved("hvsvc-mx"), 0);
    EXPECT_EQ(portlib::ClearMutex("hvsvc-mx", 0), 0);
}

TEST_F(PreserveServerTest, TheEleventhObjectGrowsTheTableToTwenty) {
    std::vector<std::unique_ptr<pp::OwnerEvent>> events;
    for (int i = 0; i < 11; ++i) {
        events.push_back(std::make_unique<pp::OwnerEvent>());
        const std::string name = "ev" + std::to_string(i);
        ASSERT_EQ(events.back()->Create(name), 0);
        EXPECT_EQ(portlib::ProcessObjCmd(portlib::kPreserveStoreEvent, name.c_str(), 0, nullptr, 0), 0);
    }
    const NamedDump d = DumpNamed(portlib::kPreserveDumpEvents);
    ASSERT_EQ(d.count, 20u);
    int used = 0;
    for (const auto& [name, refs] : d.records) used += refs == 1 && !name.empty();
    EXPECT_EQ(used, 11);
    EXPECT_EQ(d.records[10].first, "ev10");
    EXPECT_EQ(d.records[19], std::make_pair(std::string(), 0));
}

// Each breaks the protocol: the server drops that connection and serves the next.
TEST_F(PreserveServerTest, ProtocolBreakersLoseTheirConnectionOnly) {
    struct Case {
        const char* what;
        std::function<void(RawClient&)> send;
    };
    const std::uint32_t M = portlib::kPreserveMagic;
    const std::vector<Case> cases = {
        {"bad magic", [&](RawClient& c) { c.Words({0xDEADBEEF, portlib::kPreserveQueryShm, 0}); }},
        {"unknown command", [&](RawClient& c) { c.Words({M, 0x2000001, 0}); }},
        {"listing of an unknown table", [&](RawClient& c) { c.Words({M, 0x6000005, 0}); }},
        {"short header, then silence", [&](RawClient& c) { c.Words({M, portlib::kPreserveQueryShm}); }},
        {"length 0", [&](RawClient& c) { c.Words({M, portlib::kPreserveStoreShm, 0, 0}); }},
        {"length 265", [&](RawClient& c) {
             c.Words({M, portlib::kPreserveStoreShm, 0, 265});
             c.Bytes(std::string(264, 'a') + '\0');
         }},
        {"name without its NUL", [&](RawClient& c) {
             c.Words({M, portlib::kPreserveStoreShm, 0, 4});
             c.Bytes("abcd");
         }},
        {"NUL inside the name", [&](RawClient& c) {
             c.Words({M, portlib::kPreserveStoreShm, 0, 4});
             c.Bytes(std::string("a\0b\0", 4));
         }},
        {"silent client", [&](RawClient&) {}},
    };
    for (const Case& k : cases) {
        RawClient c;
        c.MayBeDropped();
        k.send(c);
        EXPECT_TRUE(c.Dropped()) << k.what;
        EXPECT_EQ(portlib::IsShmPreserved("x"), kNotFound) << "after " << k.what;
    }
    // A client that leaves before its reply costs nothing either.
    {
        RawClient c;
        c.Words({M, portlib::kPreserveDumpShm, 0});
    }
    EXPECT_EQ(portlib::IsShmPreserved("x"), kNotFound);
}

TEST_F(PreserveServerTest, StopMagicEndsTheServerWithoutReply) {
    // Several requests on one connection are served in turn.
    RawClient c;
    c.Words({portlib::kPreserveMagic, portlib::kPreserveQueryPid, 0, 1});
    EXPECT_EQ(c.Word(), portlib::kPreserveMagic);
    EXPECT_EQ(c.Word(), portlib::kPreserveStatusNotFound);
    EXPECT_EQ(c.Word(), 0u);
    c.Words({portlib::kPreserveStopMagic, portlib::kPreserveQueryPid, 0});
    EXPECT_TRUE(c.Dropped());
    thread_.join();
    thread_ = std::thread([] {});
    EXPECT_EQ(result_, 0);
    int fd = -1;
    EXPECT_EQ(pp::PipeConnect(portlib::kPreservePipeName, {}, &fd), pp::HV_ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(portlib::StopPreserveService(), pp::HV_ERROR_FILE_NOT_FOUND);
}

}  // namespace
