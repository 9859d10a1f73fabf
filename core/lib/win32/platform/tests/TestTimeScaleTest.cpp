// The test-only time scale: read once per process, so each case runs in a
// process of its own.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/TestTimeScale.h"

using portlib::platform::ScaledMs;

namespace {

struct Case {
    const char* value;  // null: unset
    unsigned ms;
    unsigned expect;
};

}  // namespace

TEST(TestTimeScaleDeathTest, TheVariableScalesOnlyWithinRange) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const Case cases[] = {
        {nullptr, 360000, 360000}, {"0.01", 360000, 3600}, {"0.001", 2000, 2},  {"1", 2000, 2000},
        {"0.000001", 2000, 1},     {"0.5", 0, 0},          {"", 2000, 2000},    {"abc", 2000, 2000},
        {"0", 2000, 2000},         {"-0.5", 2000, 2000},   {"2", 2000, 2000},   {"0.01x", 2000, 2000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value ? c.value : "(unset)");
        EXPECT_EXIT(
            {
                if (c.value != nullptr)
                    ::setenv(portlib::platform::kTestTimeScaleVar, c.value, 1);
                else
                    ::unsetenv(portlib::platform::kTestTimeScaleVar);
                const unsigned got = ScaledMs(c.ms);
                std::_Exit(got == c.expect ? 0 : 1);
            },
            ::testing::ExitedWithCode(0), "");
    }
}
