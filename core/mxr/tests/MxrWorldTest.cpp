// The manager's world in this process: its settings, its listening pipe and
// its failure text.
#include <gtest/gtest.h>

#include "MxrAdmin.h"
#include "MxrTestSupport.h"
#include "MxrWorld.h"
#include "platform/tests/TempSystemDir.h"

namespace {

struct ManagerWorldInProcess : ::testing::Test {
    hvtest::TempSystemDir sys;
    RuntimeScope scope{"NODEA", 1};
    const char* savedName = MxrWorld::GetMxrPipeName();
    ~ManagerWorldInProcess() override {
        MxrWorld::SetMxrPipeName(savedName);
        MxrAdmin::ResetClassLists();
    }
};

}  // namespace

TEST_F(ManagerWorldInProcess, FreshSettingsAreTheUnsetOnes) {
    MxrWorld world;
    EXPECT_EQ(world.GetRtPriority(), -30007);
    EXPECT_EQ(world.GetTsPriority(), -30007);
    EXPECT_EQ(world.GetRttqSecs(), 1u);
    EXPECT_EQ(world.GetRttqNSecs(), 0);
    EXPECT_EQ(world.GetMxrPrioClass(), bStr("RT"));
    EXPECT_EQ(world.GetAttachedPollAdptrPtr().GetPtr(), nullptr);
    // Kept, applied by nothing.
    world.SetRtPriority(10);
    world.SetMxrPriority();
    EXPECT_EQ(world.GetRtPriority(), 10);
}

// Listening: the pipe's name on standard output, the probe mailbox in the
// post office, and the name free again after CleanUp (a second world of
// the process can listen).
TEST_F(ManagerWorldInProcess, InitializeListensAndCleanUpLetsGo) {
    {
        MxrWorld world;
        MxrWorld::SetMxrPipeName(GetMxrPipeName());
        testing::internal::CaptureStdout();
        ASSERT_EQ(world.Initialize(), 0);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "MxrPipeName: \\\\.\\PIPE\\mxr_pipe\n");
        EXPECT_NE(world.GetAttachedPollAdptrPtr().GetPtr(), nullptr);
        EXPECT_EQ(world.GetMxrPostOffice().CanTalk("_CaN_tAlK_"), 0);
        world.CleanUp();
        EXPECT_EQ(world.GetAttachedPollAdptrPtr().GetPtr(), nullptr);
    }
    MxrWorld again;
    testing::internal::CaptureStdout();
    EXPECT_EQ(again.Initialize(), 0);
    testing::internal::GetCapturedStdout();
}

TEST_F(ManagerWorldInProcess, WithoutAPipeNameInitializeFailsWithItsText) {
    MxrWorld world;
    MxrWorld::SetMxrPipeName(nullptr);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(world.Initialize(), -1);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "MxrPipeName: (null)\n");
    EXPECT_EQ(err.rfind("CreateNamedPipe: control pipe: ", 0), 0u) << err;
    EXPECT_EQ(world.GetAttachedPollAdptrPtr().GetPtr(), nullptr);
}
