#include "NameProbe.h"
#include "NbnsResponder.h"
#include "NetnsLab.h"
#include "ToolRun.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using netnslab::NbnsResponder;
using Mode = NbnsResponder::Mode;

// The 16 bytes a name goes out as.
std::string Wire(const std::string& upper15) {
    std::string n = upper15;
    n.resize(15, ' ');
    return n + '\0';
}

// The probing system in one namespace, the answering node in another,
// joined by two veth pairs: two LANAs.
class NameProbeTool : public ::testing::Test {
protected:
    void SetUp() override {
        if (!here_.Ok() || !there_.Ok()) GTEST_SKIP() << "cannot make network namespaces here (needs root)";
        const std::string peer = std::to_string(there_.Pid());
        ASSERT_EQ(here_.Shell("ip link add a0 type veth peer name b0 netns " + peer +
                              " && ip link add a1 type veth peer name b1 netns " + peer +
                              " && ip addr add 10.31.0.1/24 brd + dev a0 && ip addr add 10.32.0.1/24 brd + dev a1"
                              " && ip link set a0 up && ip link set a1 up"),
                  0);
        ASSERT_EQ(there_.Shell("ip addr add 10.31.0.2/24 brd + dev b0 && ip addr add 10.32.0.2/24 brd + dev b1"
                               " && ip link set b0 up && ip link set b1 up && ip link set lo up"),
                  0);
    }
    void Serve(Mode mode, std::set<std::string> names = {Wire("SERVER1")}) {
        responder_ = std::make_unique<NbnsResponder>(there_.Socket(AF_INET, SOCK_DGRAM, 0), std::move(names), mode);
        ASSERT_TRUE(responder_->Ok());
    }
    hvtoolstest::ToolResult Probe(const std::vector<std::string>& args) {
        std::vector<std::string> argv{hvtoolstest::ToolPath("nameprobe")};
        argv.insert(argv.end(), args.begin(), args.end());
        return hvtoolstest::RunArgv(here_.Inside(argv));
    }
    netnslab::Namespace here_, there_;
    std::unique_ptr<NbnsResponder> responder_;
};

TEST_F(NameProbeTool, ANameThatAnswersAndOneThatDoesNot) {
    Serve(Mode::Answer);
    auto r = Probe({"server1"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out + r.err, "");
    EXPECT_EQ(responder_->Queries(), 1);
    EXPECT_EQ(responder_->StatusQueries(), 1);
    EXPECT_EQ(responder_->LastName(), Wire("SERVER1"));

    r = Probe({"other", "30"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(responder_->Queries(), 1 + 2 * 3);  // three tries on each LANA
    EXPECT_EQ(responder_->StatusQueries(), 1);
}

TEST_F(NameProbeTool, ALongNameGoesOutAsFifteenCharactersAndZero) {
    Serve(Mode::Answer, {Wire("ABCDEFGHIJKLMNO")});
    const auto r = Probe({"abcdefghijklmnopqrst"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(responder_->LastName(), Wire("ABCDEFGHIJKLMNO"));
}

TEST_F(NameProbeTool, ForeignRepliesAreIgnored) {
    Serve(Mode::ForeignFirst);
    EXPECT_EQ(Probe({"SERVER1"}).exitCode, 0);
    responder_.reset();
    Serve(Mode::ForeignOnly);
    EXPECT_EQ(Probe({"SERVER1"}).exitCode, 1);
    EXPECT_EQ(responder_->Queries(), 6);
}

TEST_F(NameProbeTool, SilenceEndsAfterTheTriesOrAtTheTimeOut) {
    Serve(Mode::Silent);
    auto r = Probe({"SERVER1"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(responder_->Queries(), 6);
    // One second ends it during the second try of the first LANA.
    r = Probe({"SERVER1", "1"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_LE(responder_->Queries(), 6 + 2);
}

TEST_F(NameProbeTool, UsageAndTimeOutsThatCannotBeSet) {
    for (const auto& args : std::vector<std::vector<std::string>>{{}, {"A", "1", "2"}}) {
        const auto r = Probe(args);
        EXPECT_EQ(r.exitCode, 5);
        EXPECT_EQ(r.err, "\nUsage : nameprobe <ServerName> {<TimeOutInterval>}\n");
    }
    for (const char* t : {"0", "abc", "5x", "", "99999999999"}) EXPECT_EQ(Probe({"SERVER1", t}).exitCode, 9) << t;
}

TEST(NameProbeLanas, OnlyLoopbackMeansNoLanaAndNoAnswer) {
    netnslab::Namespace alone;
    if (!alone.Ok()) GTEST_SKIP() << "cannot make a network namespace here (needs root)";
    ASSERT_EQ(alone.Shell("ip link set lo up"), 0);
    std::vector<nameprobe::Lana> lanas{{"x", 1, 1}};
    ASSERT_TRUE(alone.RunInside([&] { EXPECT_EQ(nameprobe::ListLanas(&lanas), 0); }));
    EXPECT_TRUE(lanas.empty());
    const auto r = hvtoolstest::RunArgv(alone.Inside({hvtoolstest::ToolPath("nameprobe"), "SERVER1"}));
    EXPECT_EQ(r.exitCode, 1);
}

TEST(NetbiosNames, CallNameAndQueryBytes) {
    const auto name = nameprobe::CallName("ab");
    EXPECT_EQ(std::string(name.begin(), name.end()), Wire("AB"));
    const auto q = nameprobe::BuildQuery(0x1234, name, nameprobe::kTypeNb);
    ASSERT_EQ(q.size(), 50u);
    EXPECT_EQ(q[0], 0x12);
    EXPECT_EQ(q[1], 0x34);
    EXPECT_EQ(q[2], 0x01);  // recursion desired
    EXPECT_EQ(q[3], 0x10);  // broadcast
    EXPECT_EQ(q[12], 32);
    EXPECT_EQ(std::string(q.begin() + 13, q.begin() + 17), "EBEC");  // 'A' 'B'
    EXPECT_EQ(std::string(q.begin() + 41, q.begin() + 45), "CAAA");  // a blank, then the final 0 byte
    EXPECT_EQ(q[46], 0x00);
    EXPECT_EQ(q[47], 0x20);
}

}  // namespace
