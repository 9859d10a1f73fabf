#include "HVObjSecurity.h"
#include "RegHV.h"
#include "platform/ObjSecurity.h"
#include "platform/tests/TempSystemDir.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

using portlib::platform::ObjSecurity;

class HVObjSecurityTest : public hvtest::SystemDirTest {};

TEST_F(HVObjSecurityTest, FillsAttributesWithTheProcessDescriptor) {
    EXPECT_EQ(portlib::InitHVObjSecurity(nullptr), 0);
    ASSERT_EQ(portlib::RegHVSetStr("General", "AdminGroup", "0", portlib::HV_REG_SZ), 0);
    portlib::SECURITY_ATTRIBUTES a, b;
    a.bInheritHandle = 1;
    ASSERT_EQ(portlib::InitHVObjSecurity(&a), 1);
    ASSERT_EQ(portlib::InitHVObjSecurity(&b), 1);
    EXPECT_EQ(a.nLength, sizeof(portlib::SECURITY_ATTRIBUTES));
    EXPECT_EQ(a.bInheritHandle, 0);
    ASSERT_NE(a.lpSecurityDescriptor, nullptr);
    EXPECT_EQ(a.lpSecurityDescriptor, b.lpSecurityDescriptor);  // one descriptor per process
    const auto* d = static_cast<const ObjSecurity*>(a.lpSecurityDescriptor);
    EXPECT_EQ(d->owner, ::geteuid());
}

// Runs in a process of its own (the descriptor is built once per process),
// with a system directory of its own that it removes before it exits.
TEST(HVObjSecurity, AnUnknownAdminGroupFailsAndALaterCallTriesAgain) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            int rc = 0;
            {
                hvtest::TempSystemDir sys;
                portlib::SECURITY_ATTRIBUTES sa;
                portlib::RegHVSetStr("General", "AdminGroup", "no-such-group-hv", portlib::HV_REG_SZ);
                if (portlib::InitHVObjSecurity(&sa) != 0) rc |= 1;
                portlib::RegHVSetStr("General", "AdminGroup", "4321", portlib::HV_REG_SZ);
                if (portlib::InitHVObjSecurity(&sa) != 1) rc |= 2;
                const auto* d = static_cast<const ObjSecurity*>(sa.lpSecurityDescriptor);
                if (!d || !d->hasAdminGroup || d->adminGroup != 4321) rc |= 4;
            }
            std::exit(rc);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
