// The path table across two systems joined by the relay: requests for the
// other system's database go to its daemon, its changes reach this
// system's copy as cache updates, and a copy loaded from it holds its paths.
#include "TwoSystemsFixture.h"
#include "network.h"
#include "qdberr.h"
#include "qdbfile.h"
#include "systems.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Lines(char** list) {
    if (list == nullptr) return "null/" + std::to_string(Qdb_errno);
    std::string out;
    for (char** p = list; *p; ++p) {
        for (const char* c = *p; *c; ++c) out += *c == '\x01' ? '|' : *c;
        out += "\n";
        qdbfreeit(*p);
    }
    qdbfreeit(list);
    return out;
}

class NetworkRemote : public qdbfixture::TwoSystemsFixture {
protected:
    void SetUp() override {
        // The administrators give up on a missing agent after 0.36 s.
        ::setenv("HV_TEST_TIME_SCALE", "0.001", 1);
        TwoSystemsFixture::SetUp();
    }
    void TearDown() override {
        TwoSystemsFixture::TearDown();
        ::unsetenv("HV_TEST_TIME_SCALE");
    }
};

TEST_F(NetworkRemote, RequestsGoToTheOtherDaemonAndItsChangesReachTheCopyHere) {
    // NODEB knows NODEA as alive, so its changes are sent here.
    EXPECT_EQ(ClientOfB([] {
                  std::string out = Result(sys_create(nullptr, "NODEA"));
                  const int rc = sys_setstate(nullptr, "NODEA", 'A', "up");
                  return out + std::to_string(rc) + (Qdb_errbuf ? Qdb_errbuf : "");
              }),
              "0/00");
    EXPECT_EQ(ClientOfA([] { return Result(sys_create(nullptr, "NODEB")); }), "0/0");
    // The copy of NODEB, loaded from its cache server: no paths yet.
    EXPECT_EQ(ClientOfA([] { return Lines(net_list("NODEB", nullptr, '|')); }), "");

    const std::string created = ClientOfA([] { return Result(net_create("NODEB", "NODEA", "TCPIP:1600", 'l', 0, 4, 1, 2)); });
    // Stored there whatever the administrator there answered (the relay is
    // that system's only agent and serves its own path alone).
    EXPECT_TRUE(created == "0/0" || created == "1/0") << created;
    EXPECT_TRUE(WaitForLine(daemons_["NODEB"], "qdb: request BaNODEA|TCPIP:1600|l|0|4|1|2\n")) << Out(daemons_["NODEB"]);
    EXPECT_TRUE(WaitForLine(daemons_["NODEA"], "qdb: cache update 'B' result 0")) << Out(daemons_["NODEA"]);
    EXPECT_EQ(ClientOfA([] { return Lines(net_list("NODEB", "NODEA", '|')); }),
              "NODEA|TCPIP:1600|TLI|0|0|0|DEAD|4|1|2|0|0|0|0|0|0|0|0\n");
    EXPECT_EQ(ClientOfA([] { return Result(net_sync("NODEB")); }), "0/0");
    EXPECT_NE(cfgtest::ReadFile(b_.root + "/config/networks").find("NODEA\x01" "TCPIP:1600\x01" "l\x01"), std::string::npos);

    // A TTY path of baud 0: kept as 9600 there, sent as 0 in its update (the
    // administrator there has no TTY agent: stored, not taken).
    EXPECT_EQ(ClientOfA([] { return Result(net_create("NODEB", "NODEA", "/dev/ttyS9", 'y', 0, 1, 1, 2)); }), "1/0");
    EXPECT_TRUE(WaitForLine(daemons_["NODEA"], "qdb: cache update 'B' result 0", 2)) << Out(daemons_["NODEA"]);
    const std::string log = Out(daemons_["NODEA"]);
    EXPECT_NE(log.find("|NODEA|/dev/ttyS9|y|0|1|1|2|0\n"), std::string::npos) << log;
    EXPECT_EQ(ClientOfB([] { return Lines(net_list(nullptr, "NODEA", '|')); }),
              "NODEA|TCPIP:1600|TLI|0|0|0|DEAD|4|1|2|0|0|0|0|0|0|0|0\n"
              "NODEA|/dev/ttyS9|TTY|9600|0|0|DEAD|1|1|2|0|0|0|0|0|0|0|0\n");

    // Refused there: the error comes back here.
    EXPECT_EQ(ClientOfA([] { return Result(net_create("NODEB", "NODEA", "TCPIP:1600", 'l', 0, 4, 1, 2)); }), "-1/4");
    EXPECT_EQ(ClientOfA([] { return Result(net_remove("NODEB", "NODEA", "nope")); }), "-1/7");
}

}  // namespace
