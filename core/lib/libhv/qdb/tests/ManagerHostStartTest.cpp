// The manager's host program with a database when its own start fails: the
// monitor that restarts it drops its output, so the reason of its end must
// reach the event log as well as its error stream.
#include "OneSystemFixture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using StartFailure = qdbfixture::OneSystemTest;

// A second host program on the system finds the manager's pipe taken.
TEST_F(StartFailure, AHostThatCannotListenEndsWithTwoAndItsReasonInTheEventLog) {
    const pid_t second = StartProgram(HV_MXRCFGSTORE_BIN, "mxrcfgstore");
    EXPECT_EQ(Ended(second), 2) << Err(second);
    const std::string why = "mxrcfgstore: cannot listen on ";
    EXPECT_NE(Err(second).find(why), std::string::npos) << Err(second);
    const std::string log = cfgtest::ReadFile(sys_.Path() + "/log/eventlog");
    const size_t at = log.find(why);
    ASSERT_NE(at, std::string::npos) << log;
    EXPECT_NE(log.find("exiting", at), std::string::npos) << log.substr(at, 300);
    // The first host serves on.
    EXPECT_EQ(::kill(manager_, 0), 0);
}

}  // namespace
