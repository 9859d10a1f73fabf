// The advisory box's text, answers and error clearing.
#include "Advisor.h"
#include "FakeConsoleDatabase.h"
#include "FakeMessageBoxes.h"

#include <gtest/gtest.h>

#include <thread>

namespace panelaid {
namespace {

class AdvisorTest : public ::testing::Test {
protected:
    void TearDown() override { db_.ClearError(); }
    FakeConsoleDatabase db_;
    FakeMessageBoxes boxes_;
    Advisor advisor_{db_, boxes_};
};

TEST_F(AdvisorTest, ShowsTheThreadsErrorNameAndTextThenClearsIt) {
    struct Case {
        int number;
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {7, "tag abc not found", "ins_remove failed\nHierView.cpp: 42\nQdb Error: NOEXIST\nError Buf: tag abc not found"},
        {11, "", "ins_remove failed\nHierView.cpp: 42\nQdb Error: Unknown\nError Buf: <empty>"},
        {0, "", "ins_remove failed\nHierView.cpp: 42\nQdb Error: OK\nError Buf: <empty>"},
        {-1, "", "ins_remove failed\nHierView.cpp: 42\nQdb Error: Unknown\nError Buf: <empty>"},
        {10, "lock", "ins_remove failed\nHierView.cpp: 42\nQdb Error: DEADLOCK\nError Buf: lock"},
    };
    for (const Case& c : cases) {
        FakeConsoleDatabase::SetThreadError(c.number, c.text);
        EXPECT_EQ(advisor_.Advise("ins_remove failed", "HierView.cpp", 42), 0);
        ASSERT_FALSE(boxes_.Shown().empty());
        const BoxRequest box = boxes_.Shown().back();
        EXPECT_EQ(box.text, c.expected);
        EXPECT_EQ(box.caption, "Advisory Failure");
        EXPECT_EQ(box.icon, BoxIcon::Error);
        EXPECT_EQ(box.buttons, BoxButtons::AbortRetryIgnore);
        std::string left;
        EXPECT_EQ(db_.ErrorNumber(), 0);
        EXPECT_FALSE(db_.ErrorText(&left));
    }
}

TEST_F(AdvisorTest, RetryGivesOneAbortAndIgnoreZero) {
    boxes_.Answer(BoxAnswer::Retry);
    boxes_.Answer(BoxAnswer::Abort);
    boxes_.Answer(BoxAnswer::Ignore);
    EXPECT_EQ(advisor_.Advise("x", "f", 1), 1);
    EXPECT_EQ(advisor_.Advise("x", "f", 1), 0);
    EXPECT_EQ(advisor_.Advise("x", "f", 1), 0);
    EXPECT_EQ(advisor_.InAdvise(), 0);
}

TEST_F(AdvisorTest, AWorkerSeesItsOwnErrorNotTheGuiThreads) {
    FakeConsoleDatabase::SetThreadError(4, "gui thread's text");
    std::thread worker([&] {
        FakeConsoleDatabase::SetThreadError(8, "worker's text");
        advisor_.Advise("dep_remove failed", "Worker.cpp", 7);
    });
    worker.join();
    ASSERT_EQ(boxes_.Shown().size(), 1u);
    EXPECT_EQ(boxes_.Shown()[0].text, "dep_remove failed\nWorker.cpp: 7\nQdb Error: DEP\nError Buf: worker's text");
    // Ours is untouched by the worker's clearing.
    std::string mine;
    EXPECT_EQ(db_.ErrorNumber(), 4);
    ASSERT_TRUE(db_.ErrorText(&mine));
    EXPECT_EQ(mine, "gui thread's text");
}

}  // namespace
}  // namespace panelaid
