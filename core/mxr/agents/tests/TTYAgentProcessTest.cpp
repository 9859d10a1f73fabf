// The ttyagent program as a user starts it: its usage, and that it reaches the
// manager of its system and stays connected (retrying while there is none).
#include <gtest/gtest.h>

#include <string>

#include "../../tests/ProcessTestSupport.h"
#include "platform/tests/TempSystemDir.h"

using namespace mxrtest;

namespace {

const char* AgentBin() { return HV_TTYAGENT_BIN; }

ChildProcess* Agent(const hvtest::TempSystemDir& sys, const std::vector<std::string>& args) {
    std::vector<std::string> argv{AgentBin()};
    argv.insert(argv.end(), args.begin(), args.end());
    return new ChildProcess(argv, {{"HV_SYSTEM_DIR", sys.Path()}, {"MXRHOSTNAME", "NODEA"}},
                            sys.Path() + "/ttyagent.out", sys.Path() + "/ttyagent.err");
}

}  // namespace

TEST(TTYAgentProgram, AnUnknownOptionOrAMissingValuePrintsTheUsageAndFails) {
    hvtest::TempSystemDir sys;
    for (const std::vector<std::string>& args : {std::vector<std::string>{"-x"}, std::vector<std::string>{"-i"}}) {
        std::unique_ptr<ChildProcess> agent(Agent(sys, args));
        EXPECT_EQ(agent->Wait(10000), 1) << args[0];
        EXPECT_NE(agent->Err().find(" [ -t -i heartbeat_interval -k heartbeat_max_miss -r retry_send ]"),
                  std::string::npos)
            << agent->Err();
        EXPECT_EQ(agent->Out().find("now starting"), std::string::npos);
    }
}

TEST(TTYAgentProgram, WaitsForItsManagerAndStaysConnectedWithRetrySendAcceptedAndIgnored) {
    hvtest::TempSystemDir sys;
    // Started before the manager: it retries every 2 s, which its trace shows
    // and nothing else does.
    std::unique_ptr<ChildProcess> agent(Agent(sys, {"-t", "-r", "3", "-i", "1", "-k", "3"}));
    const auto retries = [&] {
        const std::string out = agent->Out();
        std::size_t n = 0;
        for (std::size_t at = out.find("no manager yet"); at != std::string::npos;
             at = out.find("no manager yet", at + 1))
            ++n;
        return n;
    };
    ASSERT_TRUE(WaitUntil([&] { return retries() >= 2 || !agent->Running(); }));
    EXPECT_NE(agent->Out().find("Holdervane TTYCA is now starting"), std::string::npos);
    EXPECT_TRUE(agent->Running());
    EXPECT_EQ(agent->Err(), "");
    ManagerProcess manager(sys.Path(), "NODEA");
    ASSERT_TRUE(manager.WaitListening()) << manager.child.Err();
    EXPECT_TRUE(manager.WaitConnections(1, 10000));
    EXPECT_TRUE(agent->Running());
    agent->Stop();
}
