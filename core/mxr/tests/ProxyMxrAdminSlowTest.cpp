// The administrator's wait at its real length: a path asked for while no
// agent of its kind ever registers is answered 1 after 360 s.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "MxrTestSupport.h"
#include "ProcessTestSupport.h"
#include "ProxyMxrAdmin.h"
#include "platform/tests/TempSystemDir.h"

using namespace mxrtest;

TEST(ProxyMxrAdminRealWait, AnAgentThatNeverRegistersIsAnsweredAfter360Seconds) {
    ::unsetenv("HV_TEST_TIME_SCALE");
    hvtest::TempSystemDir sys;
    RuntimeScope scope{"NODEA", 0};
    ManagerProcess manager(sys.Path(), "NODEA", 0, {{"HV_TEST_TIME_SCALE", ""}});
    ASSERT_TRUE(manager.WaitListening()) << manager.child.Err();
    ProxyMxrAdmin admin;
    const auto start = std::chrono::steady_clock::now();
    const int rc = admin.CreateCommPath("NODEB", "LA", "NODEB", CommAgentEnt::TLI, "dev0", 1, 1, 3, 0, BaseMsgPtr());
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    RecordProperty("answered_after_ms", static_cast<int>(secs * 1000));
    EXPECT_EQ(rc, 1);
    EXPECT_GE(secs, 360.0);
    EXPECT_LT(secs, 361.0);
    EXPECT_EQ(manager.child.Stop(), 0);
}
