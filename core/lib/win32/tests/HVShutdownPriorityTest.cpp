#include "HVShutdownPriority.h"
#include "RegHV.h"
#include "platform/ShutdownOrder.h"
#include "platform/tests/TempSystemDir.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

using portlib::platform::ShutdownOrder;

class HVShutdownPriorityTest : public hvtest::SystemDirTest {
protected:
    static unsigned Level() {
        unsigned level = 0, flags = 0;
        ShutdownOrder::GetParameters(&level, &flags);
        return level;
    }
    static unsigned RecordedLevel() {
        std::vector<ShutdownOrder::Entry> order;
        if (ShutdownOrder::Read(&order) != 0) return 0;
        for (const auto& e : order)
            if (e.pid == ::getpid()) return e.level;
        return 0;
    }
};

TEST_F(HVShutdownPriorityTest, OffsetOnTheConfiguredBase) {
    struct Case {
        const char* what;
        bool setBase;
        int base;
        bool baseIsText;
        int priority;
        int result;
        unsigned level;
    };
    const Case cases[] = {
        {"no base configured", false, 0, false, 10, 1, 1030},
        {"agent above the manager", false, 0, false, 1, 1, 1021},
        {"configured base", true, 900, false, 1, 1, 901},
        {"base of the wrong type", true, 0, true, 0, 1, 1020},
        {"beyond the highest level", true, 1270, false, 10, 0, 0},
        {"below zero", true, 5, false, -10, 0, 0},
    };
    for (const auto& c : cases) {
        portlib::RegHVDelVal("General", "BaseShutDownPriority");
        if (c.setBase && !c.baseIsText) {
            ASSERT_EQ(portlib::RegHVSetInt("General", "BaseShutDownPriority", c.base), 0);
        }
        if (c.baseIsText) {
            ASSERT_EQ(portlib::RegHVSetStr("General", "BaseShutDownPriority", "900", portlib::HV_REG_SZ), 0);
        }
        ASSERT_TRUE(ShutdownOrder::SetParameters(0x280, 0));
        EXPECT_EQ(portlib::SetHVShutdownPriority(c.priority), c.result) << c.what;
        EXPECT_EQ(Level(), c.result ? c.level : 0x280u) << c.what;
        EXPECT_EQ(RecordedLevel(), c.result ? c.level : 0x280u) << c.what;
    }
}

TEST_F(HVShutdownPriorityTest, FlagsAreKept) {
    ASSERT_TRUE(ShutdownOrder::SetParameters(0x280, 1));
    ASSERT_EQ(portlib::SetHVShutdownPriority(0), 1);
    unsigned level = 0, flags = 0;
    ShutdownOrder::GetParameters(&level, &flags);
    EXPECT_EQ(level, 1020u);
    EXPECT_EQ(flags, 1u);
}

}  // namespace
