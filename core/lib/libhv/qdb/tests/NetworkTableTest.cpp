// The communication-path table on one system: the real daemon stand-in and
// manager, stub agents of both kinds for the administrator's requests, the
// clients in child processes.
#include "AutoQdbLock.h"
#include "DbIter.h"
#include "DbMgr.h"
#include "OneSystemFixture.h"
#include "QdbLock.h"
#include "ShmMgr.h"
#include "flg.h"
#include "network.h"
#include "qdberr.h"
#include "qdbfile.h"
#include "qdbmes.h"
#include "platform/PollUntil.h"
#include "systems.h"

#include <gtest/gtest.h>

#include <csignal>

#include <cstring>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

using qdbfixture::OneSystemTest;

std::string Shown(std::string s) {
    for (char& c : s)
        if (c == '\x01') c = '|';
    return s;
}

std::string Lines(char** list) {
    if (list == nullptr) return "null";
    std::string out;
    for (char** p = list; *p; ++p) out += Shown(*p) + "\n";
    for (char** p = list; *p; ++p) qdbfreeit(*p);
    qdbfreeit(list);
    return out;
}

// "rc/code" of a call whose kept report names `text`, clearing the record.
std::string Refused(int rc, const char* text) {
    const bool named = *text == '\0' || (Qdb_errbuf != nullptr && std::strstr(Qdb_errbuf, text) != nullptr);
    std::string s = std::to_string(rc) + "/" + std::to_string(Qdb_errno) + (named ? "" : "/unnamed:" + std::string(Qdb_errbuf ? Qdb_errbuf : ""));
    qdberrclr();
    return s;
}

// A TLI path record to system over device in the local database, as the
// manager's database link finds it: the administrator is not asked, so no
// request of its own (nor its time-out) meets what the test does by hand.
std::string StoredPath(const char* system, const char* device) {
    AUTO_QDB_LOCK(lk);
    network* n = network::alloc(lk.getDbMgr(nullptr, -1, 1000, 0));
    return n == nullptr ? "no room" : std::to_string(n->create(system, device, 'l', 0, 1, 1, 1));
}

// The path to system over device in the local database, under the caller's lock.
network* Path(const char* system, const char* device) {
    return network::getnet(ShmMgr::findDbMgr(nullptr, 0), system, device);
}

class NetworkTable : public OneSystemTest {
protected:
    void BeforeDaemon() override {
        ::setenv("HV_TEST_TIME_SCALE", "0.001", 1);
        RootFile("config/systems", "NODE1\x01" "A\x01\n" "NODE2\x01" "A\x01\n" "NODE3\x01" "A\x01\n");
        RootFile("config/networks", Networks());
    }
    virtual std::string Networks() { return ""; }
    void TearDown() override {
        OneSystemTest::TearDown();
        ::unsetenv("HV_TEST_TIME_SCALE");
    }
    void SetUp() override {
        OneSystemTest::SetUp();
        if (HasFatalFailure()) return;
        tli_ = StartAgent({"-k", "TLI", "NODE1"});
        tty_ = StartAgent({"-k", "TTY", "NODE1"});
        ASSERT_TRUE(WaitForLine(tli_, "registered NODE1")) << Err(tli_);
        ASSERT_TRUE(WaitForLine(tty_, "registered NODE1")) << Err(tty_);
    }
    pid_t StartAgent(std::vector<const char*> args) {
        args.insert(args.begin(), "hvstubagent");
        return StartProgram(HV_STUB_AGENT_BIN, args);
    }
    pid_t tli_ = -1;
    pid_t tty_ = -1;
};

class LoadedNetworkTable : public NetworkTable {
protected:
    std::string Networks() override {
        return "NODE2\x01" "TCPIP:1500\x01" "l\x01" "300\x01" "1\x01" "5\x01" "2\x01" "3\x01" "7\x01" "0\x01" "0\x01"
               "0\x01" "0\x01" "0\x01" "0\x01" "9\n"
               "NODE2\x01" "\x01" "l\x01" "0\x01" "1\x01" "5\x01" "2\x01" "3\n"  // no device: skipped
               "NODE3\x01" "/dev/ttyS0\x01" "y\x01" "19200\x01" "1\x01" "1\x01" "4\x01" "6\n";
    }
};

TEST_F(LoadedNetworkTable, TheLocalFileStartsEveryPathFailedAndListsExactly) {
    const std::string note = Client([] {
        std::string out = Lines(net_list(nullptr, nullptr, '|'));
        out += Lines(net_list(nullptr, "NODE3", 0));
        out += Refused(net_list(nullptr, "NODE9", 0) == nullptr ? -1 : 0, "no matches to system \"NODE9\"") + ",";
        out += Refused(net_list("NOWHERE", nullptr, 0) == nullptr ? -1 : 0, "Unknown system: \"NOWHERE\"");
        return out;
    });
    EXPECT_EQ(note,
              "NODE2|TCPIP:1500|TLI|0|0|0|DEAD|5|2|3|7|0|0|0|0|0|0|9\n"
              "NODE3|/dev/ttyS0|TTY|19200|0|0|DEAD|1|4|6|0|0|0|0|0|0|0|0\n"
              "NODE3|/dev/ttyS0|TTY|19200|0|0|DEAD|1|4|6|0|0|0|0|0|0|0|0\n"
              "-1/7,-1/7");
}

TEST_F(LoadedNetworkTable, ACopyKeepsTheStatesItIsGiven) {
    const std::string note = Client([] {
        std::string text = "NODE1\x01" "TCPIP:1500\x01" "l\x01" "0\x01" "1\x01" "5\x01" "2\x01" "3\n"
                           "NODE1\x01" "/dev/ttyS3\x01" "y\x01" "2400\x01" "0\x01" "5\x01" "2\x01" "3\n";
        AUTO_QDB_LOCK(lk);
        lk.lock(-1);
        std::string out = std::to_string(network::createmany(0, "NODE2", text.data(), 0)) + ":";
        DbIter it;
        it.iterInit(NETWORK, ShmMgr::findDbMgr("NODE2", 0));
        for (auto* n = static_cast<network*>(it.current()); n; n = static_cast<network*>(it.next()))
            out += std::string(n->mydevice()) + "=" + n->getstate() + "/" + std::to_string(n->get_ttybaud()) + ",";
        return out;
    });
    EXPECT_EQ(note, "0:TCPIP:1500=ALIVE/0,/dev/ttyS3=DEAD/2400,");
}

TEST_F(NetworkTable, CreateStoresAndAsksTheAdministratorThenSyncWritesTheGoldenFile) {
    const std::string startTime = root_ + "/config/HV_START_TIME";
    const std::string note = Client([&] {
        std::string out;
        out += std::to_string(net_create(nullptr, "NODE2", "TCPIP:1501", 'l', 0, 5, 2, 3));
        out += std::to_string(std::filesystem::exists(startTime));
        std::filesystem::remove(startTime);
        // Baud 0 of a TTY path is kept as 9600.
        out += std::to_string(net_create(nullptr, "NODE2", "/dev/ttyS1", 'y', 0, 1, 4, 6));
        out += std::to_string(net_create(nullptr, "NODE3", "fdp0", 'f', 1200, 1, 4, 6));
        // Not the first TTY or TLI path to NODE2, and an 'f' path: no start time.
        out += std::to_string(std::filesystem::exists(startTime)) + ",";
        out += std::to_string(net_create(nullptr, "NODE3", "TCPIP:1502", 'l', 0, 1, 1, 1));
        out += std::to_string(std::filesystem::exists(startTime)) + ",";
        out += std::to_string(net_sync(nullptr));
        return out;
    });
    EXPECT_EQ(note, "01000,01,0");
    EXPECT_EQ(Shown(cfgtest::ReadFile(root_ + "/config/networks")),
              "NODE2|TCPIP:1501|l|0|0|5|2|3|0|0|0|0|0|0|0|0\n"
              "NODE2|/dev/ttyS1|y|9600|0|1|4|6|0|0|0|0|0|0|0|0\n"
              "NODE3|fdp0|f|1200|0|1|4|6|0|0|0|0|0|0|0|0\n"
              "NODE3|TCPIP:1502|l|0|0|1|1|1|0|0|0|0|0|0|0|0\n");
    EXPECT_TRUE(WaitForLine(tli_, "add-host NODE2 NODE2 TCPIP:1501 answered 0"));
    EXPECT_TRUE(WaitForLine(tty_, "add-host NODE2 NODE2 /dev/ttyS1 answered 0"));
    EXPECT_TRUE(WaitForLine(tty_, "add-host NODE3 NODE3 fdp0 answered 0"));
}

TEST_F(NetworkTable, AStartTimeThatCannotBeWrittenIsReportedAndTheCreateStands) {
    std::filesystem::create_directories(root_ + "/config/HV_START_TIME");
    const cfgtest::ChildResult r = cfgtest::RunChild([] {
        qdbfixture::StartClient();
        cfgtest::Note(std::to_string(net_create(nullptr, "NODE2", "TCPIP:1501", 'l', 0, 5, 2, 3)) + "/" +
                      std::to_string(Qdb_errno));
        return 0;
    });
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.note, "0/0");
    EXPECT_NE(r.err.find("net_create: fopen(" + root_ + "/config/HV_START_TIME) failed"), std::string::npos) << r.err;
}

// The first path on a root without a configuration directory makes it,
// private as the table files' directory, and records the start time there.
TEST_F(NetworkTable, TheStartTimeMakesAPrivateConfigurationDirectory) {
    const std::string config = root_ + "/config";
    const std::string note = Client([&] {
        std::filesystem::remove_all(config);
        std::string out = std::to_string(net_create(nullptr, "NODE2", "TCPIP:1501", 'l', 0, 5, 2, 3));
        struct stat st {};
        out += ::stat(config.c_str(), &st) == 0 ? "/" + std::to_string(st.st_mode & 0777) : "/none";
        return out + "/" + std::to_string(std::filesystem::exists(config + "/HV_START_TIME"));
    });
    EXPECT_EQ(note, "0/" + std::to_string(0700) + "/1");
}

TEST_F(NetworkTable, RemoveAsksPerPathAndDropsWhatTheAdministratorLetGo) {
    const std::string note = Client([] {
        std::string out;
        out += std::to_string(net_create(nullptr, "NODE2", "TCPIP:1501", 'l', 0, 5, 2, 3));
        out += std::to_string(net_create(nullptr, "NODE2", "/dev/ttyS1", 'y', 9600, 1, 4, 6));
        out += std::to_string(net_create(nullptr, "NODE3", "TCPIP:1502", 'l', 0, 1, 1, 1)) + ",";
        out += std::to_string(net_remove(nullptr, "NODE2", nullptr)) + ",";
        out += Lines(net_list(nullptr, nullptr, '|'));
        out += Refused(net_remove(nullptr, "NODE2", nullptr),
                       "no match for removing comm-paths to system \"NODE2\" and device \"<NULL>\"") + ",";
        // Neither given: every path.
        out += std::to_string(net_remove(nullptr, nullptr, nullptr)) + ",";
        out += Lines(net_list(nullptr, nullptr, '|'));
        return out;
    });
    EXPECT_EQ(note, "000,0,NODE3|TCPIP:1502|TLI|0|0|0|DEAD|1|1|1|0|0|0|0|0|0|0|0\n-1/7,0,");
    EXPECT_TRUE(WaitForLine(tli_, "delete-host NODE2 NODE2 TCPIP:1501 answered 0"));
    EXPECT_TRUE(WaitForLine(tty_, "delete-host NODE2 NODE2 /dev/ttyS1 answered 0"));
}

// No SCSI agent ever registers: the administrator gives up (its wait is
// shortened here) and the path stays in the table, as does a path it cannot
// delete.
// sys_remove holds the lock when it removes the system's paths: every hold
// is let go while the administrator answers and taken back after.
TEST_F(NetworkTable, RemovingASystemRemovesItsPathsAndLeavesTheLockAsItWas) {
    const std::string note = Client([] {
        std::string out = std::to_string(net_create(nullptr, "NODE3", "TCPIP:1502", 'l', 0, 1, 1, 1));
        out += std::to_string(net_create(nullptr, "NODE2", "TCPIP:1501", 'l', 0, 1, 1, 1)) + ",";
        out += std::to_string(sys_remove(nullptr, "NODE3")) + ",";
        out += Lines(net_list(nullptr, nullptr, '|'));
        // No hold left over, and a depth taken back exactly.
        out += std::to_string(cfgstore::ReleaseWholeLock()) + ",";
        for (int i = 0; i < 3; ++i) qdbgetlock(__FILE__, __LINE__, kQdbWaitForever);
        const int depth = cfgstore::ReleaseWholeLock();
        out += std::to_string(depth) + std::to_string(qdbrlslock(__FILE__, __LINE__));
        cfgstore::RetakeLock(depth);
        for (int i = 0; i < 4; ++i) out += std::to_string(qdbrlslock(__FILE__, __LINE__));
        return out;
    });
    EXPECT_EQ(note, "00,0,NODE2|TCPIP:1501|TLI|0|0|0|DEAD|1|1|1|0|0|0|0|0|0|0|0\n0,310001");
    EXPECT_TRUE(WaitForLine(tli_, "delete-host NODE3 NODE3 TCPIP:1502 answered 0"));
}

TEST_F(NetworkTable, APathTheAdministratorCannotServeStaysInTheTable) {
    const std::string note = Client([] {
        std::string out = std::to_string(net_create(nullptr, "NODE2", "scsi0", 's', 0, 5, 2, 3)) + ",";
        out += std::to_string(net_remove(nullptr, "NODE2", "scsi0")) + ",";
        out += Lines(net_list(nullptr, nullptr, '|'));
        return out;
    });
    EXPECT_EQ(note, "1,-1,NODE2|scsi0|SCSI|0|0|0|DEAD|5|2|3|0|0|0|0|0|0|0|0\n");
}

// Creates and changes that are refused, each with the text of its report
// and its "rc/code"; none of them changes the table.
struct CreateRefusal {
    const char* system;
    const char* device;
    int type;
    int baud;
    const char* text;
    const char* result;
};
const CreateRefusal kCreateRefusals[] = {
    {nullptr, "d", 'l', 0, "must specify system name for new network", "-1/5"},
    {"", "d", 'l', 0, "must specify system name for new network", "-1/5"},
    {"NODE2", "d", '0', 0, "must define network type", "-1/5"},
    {"NODE9", "d", 'l', 0, "system \"NODE9\" unknown", "-1/5"},
    {"NODE2", "d", 'y', 40000, "baud rate must be between B0 and B38400", "-1/5"},
    {"NODE2", "d", 'y', -1, "baud rate must be between B0 and B38400", "-1/5"},
    {"NODE3", "/DEV/TTYs1", 'y', 0, "device /DEV/TTYs1 already in use", "-1/4"},
    {"NODE2", "TCPIP:1501", 'l', 0, "already in use, network: [NODE2] [TCPIP:1501]", "-1/4"},
    {"NODE2", "two words", 'l', 0, "may not hold white space", "-1/5"},
    {"NODE2", "a\x01" "b", 'l', 0, "may not hold white space", "-1/5"},
};
struct ChangeRefusal {
    const char* db;
    const char* oldSystem;
    const char* oldDevice;
    const char* newSystem;
    const char* newDevice;
    const char* text;
    const char* result;
};
const ChangeRefusal kChangeRefusals[] = {
    {nullptr, nullptr, "d", "NODE3", "e", "original network name", "-1/5"},
    {nullptr, "NODE2", nullptr, "NODE3", "e", "original device path", "-1/5"},
    {"NOWHERE", "NODE2", "d", "NODE3", "e", "System not found", "-1/7"},
    {nullptr, "NODE2", "TCPIP:1501", "NODE9", "e", "unknown", "-1/5"},
    {nullptr, "NODE2", "nope", "NODE3", "e", "network \"NODE2\" with device \"nope\" not found", "-1/5"},
    {nullptr, "NODE2", "TCPIP:1501", "NODE2", "TCPIP:1501", "can't be same as old system and device", "-1/5"},
    {nullptr, "NODE2", "TCPIP:1501", "NODE2", nullptr, "can't be same as old system", "-1/5"},
    // Without a new system nothing changes, and nothing is reported.
    {nullptr, "NODE2", "TCPIP:1501", nullptr, nullptr, "", "0/0"},
};

std::string Named(const char* text) { return std::string(*text ? text : "(nothing)") + ": "; }

TEST_F(NetworkTable, RefusalsLeaveTheTableAsItWas) {
    const std::string note = Client([] {
        std::string out;
        out += std::to_string(net_create(nullptr, "NODE2", "/dev/ttyS1", 'y', 9600, 1, 1, 1));
        out += std::to_string(net_create(nullptr, "NODE2", "TCPIP:1501", 'l', 0, 1, 1, 1)) + "\n";
        for (const CreateRefusal& c : kCreateRefusals)
            out += Named(c.text) + Refused(net_create(nullptr, c.system, c.device, c.type, c.baud, 1, 1, 1), c.text) +
                   "\n";
        // Another system's TLI path over the same device is no conflict.
        out += std::to_string(net_create(nullptr, "NODE3", "TCPIP:1501", 'l', 0, 1, 1, 1)) + "\n";
        for (const ChangeRefusal& c : kChangeRefusals)
            out +=
                Named(c.text) +
                Refused(net_change(c.db, c.oldSystem, c.oldDevice, c.newSystem, c.newDevice, 'l', 0, 1, 1, 1), c.text) +
                "\n";
        out += Lines(net_list(nullptr, nullptr, '|'));
        return out;
    });
    std::string expected = "00\n";
    for (const CreateRefusal& c : kCreateRefusals) expected += Named(c.text) + c.result + "\n";
    expected += "0\n";
    for (const ChangeRefusal& c : kChangeRefusals) expected += Named(c.text) + c.result + "\n";
    expected +=
        "NODE2|/dev/ttyS1|TTY|9600|0|0|DEAD|1|1|1|0|0|0|0|0|0|0|0\n"
        "NODE2|TCPIP:1501|TLI|0|0|0|DEAD|1|1|1|0|0|0|0|0|0|0|0\n"
        "NODE3|TCPIP:1501|TLI|0|0|0|DEAD|1|1|1|0|0|0|0|0|0|0|0\n";
    EXPECT_EQ(note, expected);
}

TEST_F(NetworkTable, ChangeKeepsTheOldPathWhenTheNewOneIsRefused) {
    const std::string note = Client([] {
        std::string out = std::to_string(net_create(nullptr, "NODE2", "TCPIP:1501", 'l', 0, 1, 1, 1));
        out += std::to_string(net_create(nullptr, "NODE3", "TCPIP:1502", 'l', 0, 1, 1, 1)) + ",";
        // The new path is a duplicate: refused, and the old one stays.
        out += Refused(net_change(nullptr, "NODE2", "TCPIP:1501", "NODE3", "TCPIP:1502", 'l', 0, 1, 1, 1),
                       "already in use") + ",";
        out += std::to_string(net_change(nullptr, "NODE2", "TCPIP:1501", "NODE2", "TCPIP:1600", 'l', 0, 7, 8, 9)) + ",";
        out += Lines(net_list(nullptr, nullptr, '|'));
        return out;
    });
    EXPECT_EQ(note,
              "00,-1/4,0,NODE3|TCPIP:1502|TLI|0|0|0|DEAD|1|1|1|0|0|0|0|0|0|0|0\n"
              "NODE2|TCPIP:1600|TLI|0|0|0|DEAD|7|8|9|0|0|0|0|0|0|0|0\n");
}

// The daemon's side of the path table's remote requests, asked of this
// system's own daemon with the records another system's library sends, in
// order: "rc[reply]/code" of each.
const struct {
    const char* what;
    char command;
    const char* record;
    const char* result;
} kDaemonRequests[] = {
    {"create", 'a', "NODE2\x01" "TCPIP:1501\x01" "l\x01" "0\x01" "5\x01" "2\x01" "3", "0[0]/0"},
    {"create of a path there", 'a', "NODE2\x01" "TCPIP:1501\x01" "l\x01" "0\x01" "5\x01" "2\x01" "3", "-1[]/4"},
    {"create a field short", 'a', "NODE2\x01" "TCPIP:1502\x01" "l\x01" "0\x01" "5\x01" "2", "-1[]/5"},
    {"create of a two-letter type", 'a', "NODE2\x01" "TCPIP:1502\x01" "ll\x01" "0\x01" "5\x01" "2\x01" "3",
     "-1[]/5"},
    {"create of a baud rate not a number", 'a', "NODE2\x01" "TCPIP:1502\x01" "l\x01" "x\x01" "5\x01" "2\x01" "3",
     "-1[]/5"},
    {"sync", 'b', "", "0[0]/0"},
    {"remove without a device", 'c', "NODE2", "-1[]/5"},
    {"remove", 'c', "NODE2\x01" "TCPIP:1501", "0[0]/0"},
    {"remove of a path gone", 'c', "NODE2\x01" "TCPIP:1501", "-1[]/7"},
    {"an unknown command", 'z', "", "-1[]/5"},
};

TEST_F(NetworkTable, TheDaemonServesCreateSyncAndRemoveRequests) {
    const std::string note = Client([] {
        std::vector<char> reply(kQdbMesMax);
        std::string out;
        for (const auto& r : kDaemonRequests) {
            reply[0] = '\0';
            const int rc = qdbsendremote(reply.data(), nullptr, 'B', r.command, "%s", r.record);
            out += std::string(r.what) + ": " + std::to_string(rc) + "[" + reply.data() + "]/" +
                   std::to_string(Qdb_errno) + "\n";
            qdberrclr();
        }
        return out + Lines(net_list(nullptr, nullptr, '|'));
    });
    std::string expected;
    for (const auto& r : kDaemonRequests) expected += std::string(r.what) + ": " + r.result + "\n";
    EXPECT_EQ(note, expected);
    EXPECT_NE(Out(daemon_).find("qdb: request BaNODE2|TCPIP:1501|l|0|5|2|3\n"), std::string::npos) << Out(daemon_);
    EXPECT_EQ(Shown(cfgtest::ReadFile(root_ + "/config/networks")), "NODE2|TCPIP:1501|l|0|0|5|2|3|0|0|0|0|0|0|0|0\n");
}

// Cache updates of the path table, sent from NODE2's copy (which names NODE1
// alive) to NODE1's daemon, which applies them to that copy.
TEST_F(NetworkTable, CacheUpdatesCarryTheExactRecordAndFollowTheStampRule) {
    const std::string note = Client([] {
        std::string out;
        AUTO_QDB_LOCK(lk);
        lk.lock(-1);
        DbMgr* copy = ShmMgr::findDbMgr("NODE2", 0);
        copy->tStamp = QdbDbTime{0x64, 0};
        std::string text = "NODE1\x01" "A\x01\n";
        systems::createmany("NODE2", text.data(), 1);
        out += std::to_string(network::broadcastUpdate(copy, 'a', "NODE1", "/dev/ttyS1", 'y', 0, 1, 4, 6, MXRNET_FAILED));
        out += std::to_string(network::broadcastUpdate(copy, 'x', "NODE1", "d", 'y', 0, 0, 0, 0, MXRNET_FAILED));
        lk.release();
        return out;
    });
    EXPECT_EQ(note, "0-2");
    ASSERT_TRUE(WaitForLine(daemon_, "qdb: cache update 'B' result 0"));
    const std::string log = Out(daemon_);
    EXPECT_NE(log.find("qdb: request BjaNODE2|64|0|"), std::string::npos) << log;
    EXPECT_NE(log.find("|NODE1|/dev/ttyS1|y|0|1|4|6|0\n"), std::string::npos) << log;

    // The record as the daemon applied it, then 'f' and 'c' applied here,
    // and the refusals.
    const std::string applied = Client([] {
        auto rec = [](const std::string& s) {
            std::string r = s;
            return network::updateCache(r.data());
        };
        std::string out;
        {
            AUTO_QDB_LOCK(lk);
            lk.lock(-1);
            network* n = network::getnet(ShmMgr::findDbMgr("NODE2", 0), "NODE1", "/dev/ttyS1");
            out += n ? std::string(n->getstate()) + "/" + std::to_string(n->get_ttybaud()) : "none";
        }
        out += "," + std::to_string(rec("fNODE2\x01" "64\x01" "1\x01" "64\x01" "2\x01" "NODE1\x01" "/dev/ttyS1\x01" "y\x01"
                                        "2400\x01" "1\x01" "4\x01" "6\x01" "1"));
        {
            AUTO_QDB_LOCK(lk);
            lk.lock(-1);
            DbMgr* copy = ShmMgr::findDbMgr("NODE2", 0);
            network* n = network::getnet(copy, "NODE1", "/dev/ttyS1");
            out += n ? std::string(n->getstate()) + "/" + std::to_string(n->get_ttybaud()) : "none";
        }
        for (const char* bad : {"", "x", "c", "cNODE2", "cNODE2\x01" "zz", "cNODE2\x01" "64\x01" "2\x01" "zz",
                                "cNODE2\x01" "64\x01" "2\x01" "64\x01" "3\x01" "NODE1",
                                "cNODE2\x01" "64\x01" "2\x01" "64\x01" "3\x01" "NODE1\x01" "/dev/ttyS1\x01" "0",
                                "cNODE2\x01" "64\x01" "2\x01" "64\x01" "3\x01" "NODE1\x01" "nope\x01" "y",
                                "cNODE9\x01" "64\x01" "2\x01" "64\x01" "3\x01" "NODE1\x01" "nope\x01" "y",
                                "cNODE1\x01" "64\x01" "2\x01" "64\x01" "3\x01" "NODE1\x01" "nope\x01" "y"})
            out += "," + std::to_string(rec(bad));
        out += "," + std::to_string(rec("cNODE2\x01" "64\x01" "3\x01" "64\x01" "4\x01" "NODE1\x01" "/dev/ttyS1\x01" "y"));
        AUTO_QDB_LOCK(lk);
        lk.lock(-1);
        out += std::to_string(network::getnet(ShmMgr::findDbMgr("NODE2", 0), "NODE1", "/dev/ttyS1") == nullptr);
        return out;
    });
    EXPECT_EQ(applied, "DEAD/0,0ALIVE/2400,-1,-2,-3,-4,-5,-6,-7,-8,-10,-11,-11,01");
}

TEST_F(NetworkTable, CommDownOfTheLastAlivePathFailsTheSystemOnceAndCommUpRestoresIt) {
    const std::string note = Client([] {
        std::string out;
        out += StoredPath("NODE2", "TCPIP:1501");
        out += StoredPath("NODE2", "TCPIP:1502") + ",";
        // Two paths up; the system is alive, so no event.
        out += std::to_string(network::mxr_comm_up("NODE2", "TCPIP:1501"));
        out += std::to_string(network::mxr_comm_up("NODE2", "TCPIP:1502")) + ",";
        // One of two down: the system stays alive.
        out += std::to_string(network::mxr_comm_down("NODE2", "TCPIP:1501"));
        out += static_cast<char>(sys_getstate(nullptr, "NODE2"));
        out += std::to_string(flg_test(nullptr, "!comm_down!NODE2", 0)) + ",";
        // The last one: DEAD, counted, flagged, the command waited for.
        out += std::to_string(network::mxr_comm_down("NODE2", "TCPIP:1502"));
        out += static_cast<char>(sys_getstate(nullptr, "NODE2"));
        out += std::to_string(flg_test(nullptr, "!comm_down!NODE2", 0));
        out += Lines(net_list(nullptr, "NODE2", '|'));
        // A second failure report counts nothing and runs nothing.
        out += std::to_string(network::mxr_comm_down("NODE2", "TCPIP:1502")) + ",";
        out += Lines(net_list(nullptr, "NODE2", '|'));
        out += std::to_string(network::mxr_comm_up("NODE2", "TCPIP:1501"));
        out += static_cast<char>(sys_getstate(nullptr, "NODE2"));
        out += std::to_string(flg_test(nullptr, "!comm_down!NODE2", 0)) + ",";
        char buf[256];
        out += sys_getdescr(nullptr, "NODE2", buf);
        return out;
    });
    EXPECT_EQ(note.substr(0, note.rfind(',') + 1),
              "00,00,0A1,1D0NODE2|TCPIP:1501|TLI|0|0|0|DEAD|1|1|1|0|0|0|0|0|0|0|0\n"
              "NODE2|TCPIP:1502|TLI|0|0|0|DEAD|1|1|1|1|0|0|0|0|0|0|0\n"
              "0,NODE2|TCPIP:1501|TLI|0|0|0|DEAD|1|1|1|0|0|0|0|0|0|0|0\n"
              "NODE2|TCPIP:1502|TLI|0|0|0|DEAD|1|1|1|1|0|0|0|0|0|0|0\n"
              "0A1,");
    EXPECT_NE(note.find("detected restored by TCPIP:1501 at "), std::string::npos) << note;
    const std::string log = MxrLog();
    EXPECT_EQ(cfgtest::Count(log, "-E comm_down"), 1) << log;
    EXPECT_NE(log.find("sendevent -C holdervane -E comm_down -s1 -m HV:MXR -O" + root_ + "/out/MXR -nNODE2 -dTCPIP:1502"),
              std::string::npos)
        << log;
    EXPECT_TRUE(WaitForMxrLog("sendevent -w -C holdervane -E comm_up -s 1 -m HV:MXR -O" + root_ +
                              "/out/MXR -nNODE2 -dTCPIP:1501"))
        << MxrLog();
}

TEST_F(NetworkTable, ALossWhoseEventWasCutShortRunsAgainWhenTheManagerIsBackUntilItsRecoveryEnds) {
    EXPECT_EQ(Client([] {
        std::string out = std::to_string(net_create(nullptr, "NODE2", "TCPIP:1501", 'l', 0, 1, 1, 1));
        return out + std::to_string(network::mxr_comm_up("NODE2", "TCPIP:1501"));
    }), "00");
    // The database link dies after the loss is recorded, before its event.
    cfgtest::ChildResult killed = cfgtest::RunChild([] {
        qdbfixture::StartClient();
        ::setenv("HV_CRASH_AT", "comm-down-event", 1);
        network::mxr_comm_down("NODE2", "TCPIP:1501");
        return 0;
    });
    ASSERT_EQ(killed.signal, SIGKILL) << killed.err;
    const auto recorded = [] {
        std::string out(1, static_cast<char>(sys_getstate(nullptr, "NODE2")));
        out += std::to_string(flg_test(nullptr, "!comm_down!NODE2", 0));
        return out + std::to_string(flg_test(nullptr, "!recovered!NODE2", 0));
    };
    // Recorded whole: down, flagged, not recovered; no event ran.
    EXPECT_EQ(Client(recorded), "D01");
    EXPECT_EQ(cfgtest::Count(MxrLog(), "-E comm_down"), 0);

    // The manager back: the event runs again, its recovery ends and marks
    // the loss recovered.
    EXPECT_EQ(Client([&recorded] {
        network::mxr_avail(0);
        qdberrclr();
        (void)portlib::platform::PollUntil([] { return flg_test(nullptr, "!recovered!NODE2", 0) == 0; }, 20000, 10);
        return recorded();
    }), "D00");
    EXPECT_EQ(cfgtest::Count(MxrLog(), "-E comm_down -s1 -m HV:MXR -O" + root_ + "/out/MXR -nNODE2"), 1) << MxrLog();
    // Once recovered, a later return of the manager runs nothing again; the
    // system's return clears both marks.
    EXPECT_EQ(Client([&recorded] {
        network::mxr_avail(0);
        network::mxr_comm_up("NODE2", "TCPIP:1501");
        qdberrclr();
        return recorded();
    }), "A11");
    EXPECT_EQ(cfgtest::Count(MxrLog(), "-E comm_down"), 1) << MxrLog();
}

// A machine that booted with losses still flagged from before: NODE2's
// recovery never ended, NODE3's did. The reboot's start-up pass (not the
// manager's start, which comes before it) runs NODE2's event again, once,
// after it has waited for the paths; NODE3's is not run.
class RebootedNetworkTable : public NetworkTable {
protected:
    void BeforeDaemon() override {
        NetworkTable::BeforeDaemon();
        RootFile("config/flg", "!comm_down!NODE2\n!comm_down!NODE3\n!recovered!NODE3\n");
    }
};

TEST_F(RebootedNetworkTable, ARecoveryCutShortByTheRebootRunsAgainOnceAfterTheStartUpPass) {
    const std::string again = "-E comm_down -s1 -m HV:MXR -O" + root_ + "/out/MXR -nNODE2 -d";
    ASSERT_TRUE(WaitForMxrLog(again)) << MxrLog() << Err(daemon_);
    EXPECT_NE(Err(daemon_).find("COMM_DOWN event (again: no recovery of NODE2 ended)"), std::string::npos)
        << Err(daemon_);
    const std::string note = Client([] {
        for (int i = 0; i < 2000 && flg_test(nullptr, "!recovered!NODE2", 0) != 0; ++i) ::usleep(10000);
        qdberrclr();
        // The manager coming back later runs nothing more.
        network::mxr_avail(0);
        std::string out;
        for (const char* f : {"!comm_down!NODE2", "!recovered!NODE2", "!comm_down!NODE3", "!recovered!NODE3"})
            out += std::to_string(flg_test(nullptr, f, 0));
        qdberrclr();
        return out;
    });
    EXPECT_EQ(note, "0000");
    EXPECT_EQ(cfgtest::Count(MxrLog(), "-E comm_down"), 1) << MxrLog();
}

TEST_F(NetworkTable, ManagerAvailableWaitsForDeadSystemsUnlessForced) {
    const std::string note = Client([] {
        // After the load every other system is dead: the manager's own
        // request at its start left the event pending.
        std::string out = std::to_string(network::mxr_avail(0));
        out += std::to_string(network::mxr_avail(1));
        out += std::to_string(network::mxr_avail(1)) + ",";
        {
            AUTO_QDB_LOCK(lk);
            lk.lock(-1);
            pQdb_shgp->mgrEventPending = 1;
        }
        out += std::to_string(sys_setstate(nullptr, "NODE2", 'A', "up"));
        out += std::to_string(network::mxr_avail(0));
        out += std::to_string(sys_setstate(nullptr, "NODE3", 'A', "up"));
        out += std::to_string(network::mxr_avail(0));
        return out;
    });
    EXPECT_EQ(note, "010,0001");
    EXPECT_TRUE(WaitForMxrLog("-E mxr_avail -s 1 -m HV:"));
}

TEST_F(NetworkTable, PathQueriesSeeOnlyAlivePathsOfTheirKind) {
    const std::string note = Client([] {
        std::string out;
        for (const char* dev : {"/dev/ttyS1", "/dev/ttyS2", "/dev/ttyS3"})
            out += std::to_string(net_create(nullptr, "NODE2", dev, 'y', 9600, 1, 1, 1));
        out += std::to_string(net_create(nullptr, "NODE3", "fdp0", 'f', 9600, 1, 1, 1)) + ",";
        out += std::to_string(network::are_any_alive("NODE2")) + std::to_string(network::are_any_alive(nullptr)) +
               std::to_string(network::are_any_alive("NODE1")) + ",";
        network::mxr_comm_up("NODE2", "/dev/ttyS1");
        network::mxr_comm_up("NODE2", "/dev/ttyS2");
        {
            AUTO_QDB_LOCK(lk);
            lk.lock(-1);
            Path("NODE3", "fdp0")->netstat = MXRNET_ALIVE;
        }
        out += std::to_string(network::are_any_alive("NODE2")) + std::to_string(network::are_any_alive("NODE3")) +
               std::to_string(network::still_alive_conn("NODE2", "/dev/ttyS2")) +
               std::to_string(network::still_alive_conn("NODE2", "/dev/ttyS3")) +
               std::to_string(network::still_alive_conn("NODE3", "fdp0")) + ",";
        // The least recently used alive TTY path, turn about, leaving out the excluded.
        char dev[2000];
        char excluded[1][2000] = {"/dev/ttyS1"};
        for (int i = 0; i < 2; ++i) out += std::to_string(network::get_alive_conn("NODE2", dev, nullptr, 0)) + dev + " ";
        out += std::to_string(network::get_alive_conn("NODE2", dev, excluded, 1)) + dev + " ";
        out += std::to_string(network::get_alive_conn("NODE2", nullptr, nullptr, 0));
        out += std::to_string(network::get_alive_conn("NODE3", dev, nullptr, 0));
        return out;
    });
    EXPECT_EQ(note, "0000,011,10100,1/dev/ttyS1 1/dev/ttyS2 1/dev/ttyS2 10");
}

TEST_F(NetworkTable, TextsAndTransferFactors) {
    const std::string note = Client([] {
        std::string out;
        for (int t : {'0', 'l', 'y', 's', 'f', 'q'}) out += std::string(network::convtype(t)) + ",";
        for (int b : {0, 134, 38400, 1000}) out += std::string(network::convbaud(b)) + ",";
        network n{};
        for (int b : {300, 9600, 38400, 1000}) {
            n.ttybaud = b;
            const int factor = n.secs_per_ten_thou();
            out += std::to_string(factor) + "/" + std::to_string(Qdb_errno) + ",";
            qdberrclr();
        }
        for (int t : {'l', 'y', 's', 'f', 'x'}) out += std::to_string(network::agentType(t));
        return out;
    });
    EXPECT_EQ(note, "ILLNET,TLI,TTY,SCSI,FDP,UNKNET,0,134,38400,UNKBAUD,640/0,20/0,5/0,-1/5,12320");
}

}  // namespace
