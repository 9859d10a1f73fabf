// The status-bar stack: nested use shows exactly the texts handed back;
// interleaved use shows the latest open push and frees nothing in use.
#include "FakeStatusDisplay.h"
#include "StatusStack.h"

#include <gtest/gtest.h>

namespace panelaid {
namespace {

class StatusStackTest : public ::testing::Test {
protected:
    bool initialising_ = false;
    StatusStack stack_{[this] { return initialising_ ? std::string("Holdervane Initializing ...") : std::string("Ready"); }};
    FakeStatusDisplay bar_;
};

TEST_F(StatusStackTest, NestedPushesAndPopsShowEachPreviousTextThenTheDefault) {
    const char* p1 = stack_.Push("Deleting hierarchy...", &bar_);
    EXPECT_EQ(p1, nullptr);
    const char* p2 = stack_.Push("Removing db1...", &bar_);
    ASSERT_NE(p2, nullptr);
    EXPECT_STREQ(p2, "Deleting hierarchy...");
    const char* p3 = stack_.Push("Syncing...", &bar_);
    EXPECT_STREQ(p3, "Removing db1...");
    stack_.Pop(p3, &bar_);
    stack_.Pop(p2, &bar_);
    stack_.Pop(p1, &bar_);
    EXPECT_EQ(bar_.Texts(), (std::vector<std::string>{"Deleting hierarchy...", "Removing db1...", "Syncing...",
                                                      "Removing db1...", "Deleting hierarchy...", "Ready"}));
    EXPECT_EQ(stack_.HeldTexts(), 0u);
}

TEST_F(StatusStackTest, TheDefaultTextFollowsTheInitialisingMarker) {
    stack_.Show(nullptr, &bar_);
    initialising_ = true;
    stack_.Show(nullptr, &bar_);
    const char* p = stack_.Push("x", &bar_);
    stack_.Pop(p, &bar_);
    stack_.Show("given", &bar_);
    EXPECT_EQ(bar_.Texts(), (std::vector<std::string>{"Ready", "Holdervane Initializing ...", "x",
                                                      "Holdervane Initializing ...", "given"}));
}

TEST_F(StatusStackTest, InterleavedPopsKeepATextWhileAnOpenPushHoldsIt) {
    // A (GUI) pushes, B (worker) pushes, A pops first: B still holds A's text
    // as its previous one, and the bar shows B's text, the latest open push.
    const char* prevA = stack_.Push("painting", &bar_);
    const char* prevB = stack_.Push("transferring", &bar_);
    ASSERT_STREQ(prevB, "painting");
    stack_.Pop(prevA, &bar_);
    EXPECT_EQ(bar_.Last(), "transferring");
    EXPECT_STREQ(prevB, "painting");  // still readable: not freed
    EXPECT_EQ(stack_.HeldTexts(), 2u);
    stack_.Pop(prevB, &bar_);
    EXPECT_EQ(bar_.Last(), "Ready");
    EXPECT_EQ(stack_.HeldTexts(), 0u);
}

TEST_F(StatusStackTest, APointerNoPushReturnedChangesNothingButTheDisplay) {
    const char* p = stack_.Push("open", &bar_);
    static const char stray[] = "stray";
    stack_.Pop(stray, &bar_);
    EXPECT_EQ(bar_.Last(), "open");
    EXPECT_EQ(stack_.HeldTexts(), 1u);
    stack_.Pop(p, &bar_);
    EXPECT_EQ(stack_.HeldTexts(), 0u);
    // A bar may be absent.
    stack_.Pop(stack_.Push(nullptr, nullptr), nullptr);
}

}  // namespace
}  // namespace panelaid
