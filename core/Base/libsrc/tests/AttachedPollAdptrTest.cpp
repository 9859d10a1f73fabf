// The manager's control pipe: clients with a right connect record are handed
// on, others are turned away with their report, and no client holds up another.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AttachedPollAdptr.h"
#include "BaseWorld.h"
#include "RuntimeTestSupport.h"
#include "platform/NamedPipe.h"
#include "platform/tests/PipeTestSupport.h"

using namespace portlib::platform;

namespace {

constexpr const char* kName = R"(\\.\pipe\mxr_test_ctl)";

std::vector<int>& Handed() {
    static std::vector<int> fds;
    return fds;
}
void TakeClient(int fd) { Handed().push_back(fd); }

struct ControlPipe : ::testing::Test {
    pipetest::TempSystemDir sys;
    RuntimeScope scope{"NODEA", 1};
    BaseWorld world;
    AttachedPollAdptrPtr adptr;

    void SetUp() override {
        Handed().clear();
        AttachedPollAdptr::SetClientHandoff(&TakeClient);
        world.SetDfltPollTimer(20);
        int err = -1;
        adptr = AttachedPollAdptr::Listen(bStr(kName), &err);
        ASSERT_EQ(err, 0);
        ASSERT_TRUE(adptr.Ok());
        adptr->Register();
    }
    void TearDown() override {
        adptr->DeRegister();
        for (int fd : Handed()) PipeClose(fd);
        Handed().clear();
        AttachedPollAdptr::SetClientHandoff(nullptr);
    }

    int Connect() {
        int fd = -1;
        // Non-blocking: a read that finds nothing fails instead of hanging the test.
        EXPECT_EQ(PipeConnect(kName, {5000, PipeReadMode::Message, true}, &fd), 0);
        return fd;
    }
    // Turns until pred holds (at most about five seconds); stderr captured.
    template <class Pred>
    std::string RunUntil(Pred pred) {
        ::testing::internal::CaptureStderr();
        for (int i = 0; i < 250 && !pred(); ++i) world.Run();
        return ::testing::internal::GetCapturedStderr();
    }
    int Clients() { return world.GetPollManager().GetPollAdptrLst().GetItemCnt() - 1; }
    // Turns until a client's own adapter has come and gone again.
    std::string RunUntilClientDone() {
        bool seen = false;
        return RunUntil([&] {
            seen = seen || Clients() > 0;
            return seen && Clients() == 0;
        });
    }
};

TEST_F(ControlPipe, ClientsWithTheRecordAreHandedOnOneByOne) {
    for (int n = 1; n <= 2; ++n) {
        int c = Connect();
        ASSERT_EQ(pipetest::WriteAll(c, AttachedPollAdptr::kConnectRecord), 0);
        EXPECT_EQ(RunUntil([&] { return static_cast<int>(Handed().size()) == n; }), "");
        ASSERT_EQ(static_cast<int>(Handed().size()), n);
        EXPECT_EQ(Clients(), 0);
        // The handed descriptor is the client's connection.
        ASSERT_EQ(pipetest::WriteAll(Handed().back(), "welcome"), 0);
        char buf[16];
        std::size_t got = 0;
        pipetest::WaitReadable(c);
        ASSERT_EQ(PipeRead(c, buf, sizeof buf, &got), 0);
        EXPECT_EQ(std::string(buf, got), "welcome");
        PipeClose(c);
    }
}

TEST_F(ControlPipe, TheRestOfALongerFirstMessageStaysForTheEndpoint) {
    int c = Connect();
    ASSERT_EQ(pipetest::WriteAll(c, std::string(AttachedPollAdptr::kConnectRecord) + "and more"), 0);
    RunUntil([&] { return !Handed().empty(); });
    ASSERT_EQ(Handed().size(), 1u);
    char buf[16];
    std::size_t got = 0;
    ASSERT_EQ(PipeRead(Handed()[0], buf, sizeof buf, &got), 0);
    EXPECT_EQ(std::string(buf, got), "and more");
    PipeClose(c);
}

TEST_F(ControlPipe, WrongOrShortRecordsAreTurnedAwayAndTheNextClientIsServed) {
    struct Case {
        std::string first;
        const char* report;
    };
    const Case cases[] = {
        {std::string(AttachedPollAdptr::kConnectRecord, 23), "Did not get MXR_CONNECT_MSG\n"},
        {std::string(24, 'x'), "Bad  MXR_CONNECT_MSG\n"},
    };
    for (const Case& k : cases) {
        int c = Connect();
        ASSERT_EQ(pipetest::WriteAll(c, k.first), 0);
        EXPECT_EQ(RunUntilClientDone(), k.report);
        EXPECT_TRUE(Handed().empty());
        // The refused client finds its connection closed.
        char buf[8];
        std::size_t got = 0;
        pipetest::WaitReadable(c);
        EXPECT_EQ(PipeRead(c, buf, sizeof buf, &got), HV_ERROR_BROKEN_PIPE);
        PipeClose(c);
    }
    int good = Connect();
    ASSERT_EQ(pipetest::WriteAll(good, AttachedPollAdptr::kConnectRecord), 0);
    RunUntil([&] { return !Handed().empty(); });
    EXPECT_EQ(Handed().size(), 1u);
    PipeClose(good);
}

TEST_F(ControlPipe, ASilentClientHoldsUpNobodyAndIsDroppedWhenItGoes) {
    int silent = Connect();
    RunUntil([&] { return Clients() == 1; });
    ASSERT_EQ(Clients(), 1);
    int good = Connect();
    ASSERT_EQ(pipetest::WriteAll(good, AttachedPollAdptr::kConnectRecord), 0);
    RunUntil([&] { return !Handed().empty(); });
    EXPECT_EQ(Handed().size(), 1u);
    EXPECT_EQ(Clients(), 1);  // the silent one still waits
    PipeClose(silent);
    EXPECT_EQ(RunUntil([&] { return Clients() == 0; }), "Did not get MXR_CONNECT_MSG\n");
    EXPECT_EQ(Clients(), 0);
    PipeClose(good);
}

TEST_F(ControlPipe, WithoutAnEndpointTheClientIsClosed) {
    AttachedPollAdptr::SetClientHandoff(nullptr);
    int c = Connect();
    ASSERT_EQ(pipetest::WriteAll(c, AttachedPollAdptr::kConnectRecord), 0);
    EXPECT_EQ(RunUntilClientDone(), "AttachedPollAdptr - no pipe endpoint takes the client\n");
    char buf[8];
    std::size_t got = 0;
    pipetest::WaitReadable(c);
    EXPECT_EQ(PipeRead(c, buf, sizeof buf, &got), HV_ERROR_BROKEN_PIPE);
    PipeClose(c);
}

TEST(ControlPipeName, ASecondListenerOnTheNameIsRefused) {
    pipetest::TempSystemDir sys;
    int err = -1;
    AttachedPollAdptrPtr first = AttachedPollAdptr::Listen(bStr(kName), &err);
    ASSERT_EQ(err, 0);
    EXPECT_EQ(first->GetFileName(), bStr(kName));
    EXPECT_GE(first->GetFd(), 0);
    ::testing::internal::CaptureStderr();
    AttachedPollAdptrPtr second = AttachedPollAdptr::Listen(bStr(kName), &err);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Could not Create pipe for Mxr: error 231\n");
    EXPECT_EQ(err, HV_ERROR_PIPE_BUSY);
    EXPECT_EQ(second.GetPtr(), nullptr);
    AttachedPollAdptr plain;
    EXPECT_EQ(plain.GetFd(), -1);
    EXPECT_EQ(AttachedPollAdptr::ClassCode, 1);
}

}  // namespace
