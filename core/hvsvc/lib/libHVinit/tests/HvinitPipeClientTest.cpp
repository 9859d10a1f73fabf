// The command-pipe client against a stand-in server on a real pipe.
#include "FakeHvinitServer.h"
#include "HvinitEventLog.h"
#include "ProcessList.h"
#include "TempSystemDir.h"
#include "libHVinit.h"
#include "platform/TestTimeScale.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using hvtest::FakeHvinitServer;
using hvtest::Sent;
using Reply = std::optional<std::string>;

class HvinitPipeClient : public hvtest::SystemDirTest {};

TEST_F(HvinitPipeClient, RequestTextsAreTheCommandAndEachArgumentFollowedByABlank) {
    FakeHvinitServer server([](int, const std::string& request) {
        return Reply(request == Sent("9 ") ? "1" : "7");
    });
    char reply[] = "update";
    EXPECT_EQ(hvi_request(reply, hvinit::kCmdUpdate, "/bin/prog|-a::12::X", "2", nullptr), 0);
    EXPECT_STREQ(reply, "7");
    char none[] = "xx";
    EXPECT_EQ(hvi_request(none, hvinit::kCmdTellState, nullptr), 0);
    EXPECT_EQ(checkserverready(), 0);
    EXPECT_EQ(getgroupnum(nullptr), 7);
    EXPECT_EQ(getgroupnum("/bin/prog|-a"), 7);

    const std::vector<std::string> expected = {
        Sent("11 /bin/prog|-a::12::X 2 "), Sent("10 "), Sent("9 "),
        Sent("9 "), Sent("6 -1 "),  // getgroupnum asks whether HV-init runs first
        Sent("9 "), Sent("6 /bin/prog|-a "),
    };
    EXPECT_EQ(server.Requests(), expected);
}

TEST_F(HvinitPipeClient, WithoutServerFourTriesFailAndTheRequestGivesMinusTwo) {
    char reply[] = "getpid";
    EXPECT_EQ(hvi_request(reply, hvinit::kCmdFork, "/bin/true", nullptr), -2);
    const auto reports = hvtest::Reports(19604);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].text.find("Communication to Holdervane Server failed."), std::string::npos);
    EXPECT_EQ(reports[0].type, "error");
    char probe[] = "x";
    EXPECT_EQ(hvi_exchange(probe, "9 "), -1);  // the open itself fails
}

TEST_F(HvinitPipeClient, AMinusThreeReplyIsAFailedTry) {
    FakeHvinitServer refusing("-3");
    char reply[] = "update";
    EXPECT_EQ(hvi_request(reply, hvinit::kCmdUpdate, "rec", "0", nullptr), -2);
    EXPECT_EQ(refusing.Requests().size(), 4u);
    EXPECT_EQ(hvtest::Reports(19604).size(), 1u);
}

TEST_F(HvinitPipeClient, RetriesUntilARealReply) {
    FakeHvinitServer server([](int n, const std::string&) { return Reply(n < 2 ? "-3" : "42"); });
    char reply[] = "update";
    EXPECT_EQ(hvi_request(reply, hvinit::kCmdUpdate, "rec", "0", nullptr), 0);
    EXPECT_STREQ(reply, "42");
    EXPECT_EQ(server.Requests().size(), 3u);
}

TEST_F(HvinitPipeClient, ARetryAfterAShortReplyStillAcceptsThePreFilledLength) {
    FakeHvinitServer server([](int n, const std::string&) { return Reply(n == 0 ? "-3" : "1234567 9"); });
    char reply[] = "getpid...";
    EXPECT_EQ(hvi_request(reply, hvinit::kCmdFork, "/bin/prog", nullptr), 0);
    EXPECT_STREQ(reply, "1234567 9");
}

TEST_F(HvinitPipeClient, AReplyLongerThanAcceptedIsCutAndTerminatedInsideTheBuffer) {
    FakeHvinitServer server("12345678");
    char buf[16];
    std::memset(buf, 'Z', sizeof buf);
    std::strcpy(buf, "getpid");  // accepts 6 characters and the NUL
    EXPECT_EQ(hvi_request(buf, hvinit::kCmdFork, "/bin/prog", nullptr), 0);
    EXPECT_STREQ(buf, "123456");
    EXPECT_EQ(buf[7], 'Z');  // nothing written past the pre-filled text's NUL

    char sized[32];
    std::strcpy(sized, "getpid");
    EXPECT_EQ(hvinit::Request(sized, sizeof sized, hvinit::kCmdFork, {"/bin/prog"}), 0);
    EXPECT_STREQ(sized, "12345678");
}

TEST_F(HvinitPipeClient, ARequestThatDoesNotFitIsRefusedUnsent) {
    FakeHvinitServer server("1");
    char reply[] = "update";
    // "5 " + argument + " " + NUL: 1,020 characters fill the 1,024 bytes exactly.
    const std::string fits(1020, 'a');
    const std::string over(1021, 'a');
    EXPECT_EQ(hvi_request(reply, hvinit::kCmdFork, over.c_str(), nullptr), -2);
    EXPECT_TRUE(server.Requests().empty());
    EXPECT_EQ(hvtest::Reports(19605).size(), 1u);
    EXPECT_EQ(hvi_request(reply, hvinit::kCmdFork, fits.c_str(), nullptr), 0);
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].size(), hvinit::kRequestBytes);
}

TEST_F(HvinitPipeClient, AnEmptyOrMissingReplyFailsTheExchange) {
    FakeHvinitServer server([](int n, const std::string&) { return Reply(n == 0 ? "" : std::string(1, '\0')); });
    char reply[] = "checkserverready";
    EXPECT_EQ(hvi_exchange(reply, "9 "), -3);  // closed without a reply
    ASSERT_EQ(hvtest::Reports(19603).size(), 1u);
    EXPECT_NE(hvtest::Reports(19603)[0].text.find("hvinit server returned 0 (zero) bytes."), std::string::npos);
    char again[] = "checkserverready";
    EXPECT_EQ(hvi_exchange(again, "9 "), 16);  // as many as accepted: the reply's zero padding
    EXPECT_STREQ(again, "");
}

TEST_F(HvinitPipeClient, ASilentServerTimesOut) {
    // The reply wait at a hundredth of its length (read once, at this first
    // wait of the process).
    ::setenv(portlib::platform::kTestTimeScaleVar, "0.01", 1);
    FakeHvinitServer silent([](int, const std::string&) { return Reply(); });
    char reply[] = "checkserverready";
    EXPECT_EQ(hvi_exchange(reply, "9 "), -3);
    EXPECT_EQ(silent.Requests().size(), 1u);
    EXPECT_EQ(hvtest::Reports(19603).size(), 1u);
    ::unsetenv(portlib::platform::kTestTimeScaleVar);
}

TEST_F(HvinitPipeClient, CheckServerReady) {
    struct Case {
        const char* reply;
        int expected;
    };
    for (const Case& c : {Case{"1", 0}, Case{"0", 0}, Case{"5", 5}}) {
        FakeHvinitServer server(c.reply);
        EXPECT_EQ(checkserverready(), c.expected) << c.reply;
    }
}

TEST_F(HvinitPipeClient, CheckServerReadyWithoutServer) { EXPECT_EQ(checkserverready(), -1); }

TEST_F(HvinitPipeClient, GetGroupNumRefusesLongNamesAndAStoppedServer) {
    EXPECT_EQ(getgroupnum("prog"), -2);  // nobody answers
    EXPECT_EQ(hvtest::Reports(19581).size(), 1u);
    FakeHvinitServer server([](int, const std::string& request) {
        return Reply(request == Sent("9 ") ? "1" : "17");
    });
    EXPECT_EQ(getgroupnum(std::string(255, 'p').c_str()), 17);
    EXPECT_EQ(getgroupnum(std::string(256, 'p').c_str()), -2);
    const auto seen = server.Requests();
    ASSERT_EQ(seen.size(), 3u);  // the long name never reached the pipe
    EXPECT_EQ(seen[2], Sent("9 "));
    EXPECT_EQ(hvtest::Reports(19582).size(), 1u);
}

}  // namespace
