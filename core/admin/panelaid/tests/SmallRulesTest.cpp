// Name check, the service test's answers and the progress animation.
#include "FakeServiceControl.h"
#include "NameCheck.h"
#include "ProgressAnimation.h"
#include "ServiceCodes.h"
#include "ServiceTest.h"

#include <gtest/gtest.h>

namespace panelaid {
namespace {

TEST(NameCheckTest, ValidAndInvalidNames) {
    struct Case {
        const char* text;
        int valid;
    };
    const Case cases[] = {
        {"abc-1.x_y", 1}, {"_tag", 1}, {"9lives", 1}, {"A", 1},     {"-tag", 0},  {".tag", 0},
        {"", 0},          {"a b", 0},  {nullptr, 0},  {"tag/x", 0}, {"t\xe9", 0}, {"x;rm", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(IsValidName(c.text), c.valid) << (c.text ? c.text : "(null)");
}

TEST(ServiceTestTest, TheDaemonIsLookedForAfterLoadAndAfterEveryDown) {
    FakeServiceControl svc;
    ServiceTest test(svc);
    struct Step {
        bool answers;
        std::uint32_t state;
        bool daemon;
        int expected;
        int lookupsAfter;
    };
    const Step steps[] = {
        {true, hvsvc::kStateRunning, false, -1, 1},       // up, daemon missing
        {true, hvsvc::kStateRunning, false, -1, 2},       // still looks
        {true, hvsvc::kStateStartPending, true, 1, 3},    // found: confirmed
        {true, hvsvc::kStateRunning, false, 1, 3},        // no more looking
        {true, hvsvc::kStatePaused, false, 1, 3},         // paused is up
        {true, hvsvc::kStatePausePending, false, 1, 3},
        {true, hvsvc::kStateContinuePending, false, 1, 3},
        {true, hvsvc::kStateStopPending, true, 0, 3},     // down
        {true, hvsvc::kStateRunning, false, -1, 4},       // looks again
        {true, hvsvc::kStateRunning, true, 1, 5},
        {false, 0, true, 0, 5},                           // no answer: down
        {true, hvsvc::kStateRunning, true, 1, 6},
        {true, hvsvc::kStateStopped, true, 0, 6},
        {true, 99, true, 0, 6},                           // an unknown state is down
    };
    for (std::size_t i = 0; i < sizeof steps / sizeof steps[0]; ++i) {
        const Step& s = steps[i];
        svc.answers = s.answers;
        svc.state = s.state;
        svc.daemon = s.daemon;
        EXPECT_EQ(test.Test(), s.expected) << "step " << i;
        EXPECT_EQ(svc.daemonLookups.load(), s.lookupsAfter) << "step " << i;
    }
}

TEST(ProgressAnimationTest, FramesRunToTwelveThenCycleFromOne) {
    struct Case {
        int counter, frame, picture;
    };
    const Case cases[] = {{0, 0, 0},   {5, 1, 4},   {15, 3, 1},   {55, 11, 11}, {60, 12, 0},
                          {65, 1, 4},  {120, 12, 0}, {125, 1, 4}, {70, 2, 5},   {64, 0, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(ProgressAnimation::FrameOf(c.counter), c.frame) << c.counter;
        EXPECT_EQ(ProgressAnimation::PictureOf(ProgressAnimation::FrameOf(c.counter)), c.picture) << c.counter;
    }
    ProgressAnimation a;
    for (int i = 0; i < 13; ++i) a.Tick();
    EXPECT_EQ(a.Counter(), 65);
    EXPECT_EQ(ProgressAnimation::FrameOf(a.Counter()), 1);
}

}  // namespace
}  // namespace panelaid
