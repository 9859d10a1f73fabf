// The command dispatcher as a table of requests and replies on a prepared
// table, then the configuration-file edits.
#include "HvinitFixture.h"

#include <cstring>
#include <functional>
#include <map>
#include <optional>

namespace {

using namespace hvsvctest;

// Slot 0 "/bin/a|x": pid 200, group 3, exit value 0, running.
// Slot 2 "/bin/b": pid 300, group 4, exit value 7, state K with pid 300.
class DispatcherTest : public HvinitFixture {
protected:
    void SetUp() override {
        Put(0, "/bin/a|x", 200, 3, 'M');
        Slot(0).exitValue = 0;
        Put(2, "/bin/b", 300, 4, 'K');
        Slot(2).exitValue = 7;
        sys_.running["/bin/a"] = 200;
        table_->header.serverReady = 1;
    }
    void Put(int n, const char* command, int pid, int group, char state) {
        hvinit::HvinitSlot& s = Slot(n);
        s.inUse = 1;
        std::snprintf(s.command, sizeof s.command, "%s", command);
        s.pid = pid;
        s.groupNumber = group;
        s.state = state;
        strcpy(s.instanceName, "X");
        strcpy(s.fileName, "X");
        table_->header.groupStates[group] = hvinit::kGroupUsed;
        --table_->header.freeSlots;
    }
};

// An UPDATE record: the command and 13 fields, "-" where not given.
std::string Record(const std::string& command, std::map<int, std::string> given) {
    std::string r = command;
    for (int i = 1; i < 14; ++i) r += "::" + (given.count(i) ? given[i] : std::string("-"));
    return r;
}

struct RequestCase {
    const char* name;
    std::string request;
    std::string reply;
    std::function<void(DispatcherTest&)> check = nullptr;  // may be empty
    int report = 0;                              // a message the request reports
    std::function<void(DispatcherTest&)> before = nullptr;
};
void PrintTo(const RequestCase& c, std::ostream* os) { *os << c.name; }

class RequestTable : public DispatcherTest, public ::testing::WithParamInterface<RequestCase> {};

TEST_P(RequestTable, RepliesAndChangesTheTable) {
    const RequestCase& c = GetParam();
    if (c.before) c.before(*this);
    EXPECT_EQ(Reply(c.request), c.reply);
    if (c.check) c.check(*this);
    if (c.report != 0) {
        EXPECT_GE(Reported(c.report), 1u);
    }
}

const std::string kName30(30, 'n');
const std::string kFile128 = "/" + std::string(127, 'f');

INSTANTIATE_TEST_SUITE_P(
    Commands, RequestTable,
    ::testing::Values(
        RequestCase{"None", "0 ", ""},
        RequestCase{"TellState", "10 ", "1"},
        RequestCase{"Unknown13", "13 ", "-1", nullptr, 19136},
        RequestCase{"SvrReady", "9 ", "1"},
        RequestCase{"ExitValZero", "4 /bin/a|other ", "0"},
        RequestCase{"ExitValOfSlot", "4 /bin/b ", "7"},
        RequestCase{"ExitValNone", "4 /bin/none ", "-1"},
        RequestCase{"GetGrpNumNew", "6 -1 ", "1",
                    [](DispatcherTest& t) { EXPECT_EQ(t.table_->header.groupStates[1], hvinit::kGroupHandedOut); }},
        RequestCase{"GetGrpNumAllUsed", "6 -1 ", "-2", nullptr, 19170,
                    [](DispatcherTest& t) {
                        for (int g = 1; g <= 128; ++g) t.table_->header.groupStates[g] = 1 + g % 3;
                    }},
        RequestCase{"GetGrpNumByPid", "6 300 ", "4"},
        RequestCase{"GetGrpNumPidZero", "6 0 ", "-1"},
        RequestCase{"GetGrpNumByCommand", "6 /bin/a|y ", "3"},
        RequestCase{"GetGrpNumUnknown", "6 /bin/zz ", "-1"},
        RequestCase{"DelGrpNumInUse", "3 4 ", "0",
                    [](DispatcherTest& t) { EXPECT_EQ(t.table_->header.groupStates[4], hvinit::kGroupUsed); }},
        RequestCase{"DelGrpNumFree", "3 9 ", "0",
                    [](DispatcherTest& t) { EXPECT_EQ(t.table_->header.groupStates[9], hvinit::kGroupFree); },
                    0, [](DispatcherTest& t) { t.table_->header.groupStates[9] = hvinit::kGroupAgeing; }},
        RequestCase{"DelGrpNumOutside", "3 5000 ", "0"},
        RequestCase{"DelGrpNumNegative", "3 -7 ", "0"},
        RequestCase{"KillPidOne", "7 1 5 ", "-2", [](DispatcherTest& t) { EXPECT_TRUE(t.sys_.kills.empty()); },
                    19167},
        RequestCase{"KillSlotProcess", "7 200 5 ", "1",
                    [](DispatcherTest& t) {
                        EXPECT_EQ(t.sys_.kills, std::vector<int>{200});
                        EXPECT_EQ(t.Slot(0).pid, 200);  // the pid stays
                        EXPECT_EQ(t.Slot(0).nextPollTime, t.sys_.now);
                        EXPECT_EQ(t.Slot(0).processHandle, 0);
                        EXPECT_EQ(t.sys_.OpenHandles(), 0u);
                    }},
        RequestCase{"KillGone", "7 555 5 ", "-2", nullptr, 19166},
        RequestCase{"ForkStartsAndKeepsNoHandleForATool", "5 /bin/new|-v|x ", "100 0",
                    [](DispatcherTest& t) {
                        EXPECT_EQ(t.sys_.starts, std::vector<std::string>{"/bin/new"});
                        EXPECT_EQ(t.sys_.OpenHandles(), 0u);
                    }},
        RequestCase{"ForkAdoptsARunningProgram", "5 /bin/a|z ", "200 0",
                    [](DispatcherTest& t) { EXPECT_TRUE(t.sys_.starts.empty()); }, 19114},
        RequestCase{"RecoverFails", "8 /bin/new ", "-2", nullptr, 0,
                    [](DispatcherTest& t) { t.sys_.failStarts = 1; }},
        RequestCase{"Update13Fields", "11 /bin/a::1::2::3::4::5::6::7::8::9::10::11::12 2 ", "-2", nullptr, 19141},
        RequestCase{"UpdateRegisters", "11 " + Record("/bin/c|q", {{1, "400"}, {2, "5"}, {12, "M"}, {13, "6"}}) + " 0 ",
                    "1",
                    [](DispatcherTest& t) {
                        EXPECT_EQ(t.Slot(1).inUse, 1);
                        EXPECT_STREQ(t.Slot(1).command, "/bin/c|q");
                        EXPECT_EQ(t.Slot(1).pid, 400);
                        EXPECT_EQ(t.Slot(1).lastStartedPid, 400);
                        EXPECT_EQ(t.Slot(1).state, 'M');
                        EXPECT_EQ(t.table_->header.groupStates[5], hvinit::kGroupUsed);
                        EXPECT_EQ(t.table_->header.freeSlots, 125);
                    },
                    19144},
        RequestCase{"UpdateRegisterOfAPresentProcessUpdatesIt", "11 " + Record("/bin/a|new", {{4, "9"}}) + " 0 ", "0",
                    [](DispatcherTest& t) {
                        EXPECT_EQ(t.Slot(0).pollTime, 9);
                        EXPECT_EQ(t.Slot(1).inUse, 0);
                        EXPECT_EQ(t.table_->header.freeSlots, 126);
                    }},
        RequestCase{"UpdateLeavesAKilledSlotWithoutPid", "11 " + Record("/bin/b", {{4, "9"}}) + " 2 ", "2",
                    [](DispatcherTest& t) { EXPECT_EQ(t.Slot(2).pollTime, 0); }, 0,
                    [](DispatcherTest& t) { t.Slot(2).pid = -1; }},
        RequestCase{"UpdateStopRecord", "11 " + Record("/bin/a", {{1, "-1"}, {12, "S"}}) + " 2 ", "0",
                    [](DispatcherTest& t) {
                        EXPECT_EQ(t.Slot(0).pid, -1);
                        EXPECT_EQ(t.Slot(0).state, 'S');
                        EXPECT_EQ(t.Slot(0).lastStartedPid, -1);  // a pid below 2 is no start
                    }},
        RequestCase{"UpdateUnregisters", "11 " + Record("/bin/a", {}) + " 1 ", "0",
                    [](DispatcherTest& t) {
                        EXPECT_EQ(t.Slot(0).inUse, 0);
                        EXPECT_EQ(t.table_->header.freeSlots, 127);
                    },
                    19142},
        RequestCase{"UpdateUnregisterMissing", "11 " + Record("/bin/zz", {}) + " 1 ", "-1"},
        RequestCase{"UpdateMissing", "11 " + Record("/bin/zz", {}) + " 2 ", "-2", nullptr, 19146},
        RequestCase{"UpdateInstanceOf30", "11 " + Record("/bin/a", {{3, kName30}, {4, "9"}}) + " 2 ", "-2",
                    [](DispatcherTest& t) { EXPECT_EQ(t.Slot(0).pollTime, 0); }},
        RequestCase{"UpdateInstanceOf29", "11 " + Record("/bin/a", {{3, kName30.substr(1)}}) + " 2 ", "0",
                    [](DispatcherTest& t) { EXPECT_EQ(std::string(t.Slot(0).instanceName), kName30.substr(1)); }},
        RequestCase{"UpdateFileNameOf128", "11 " + Record("/bin/a", {{8, kFile128}}) + " 2 ", "-2",
                    [](DispatcherTest& t) { EXPECT_STREQ(t.Slot(0).fileName, "X"); }},
        RequestCase{"UpdateGroup129", "11 " + Record("/bin/c", {{2, "129"}}) + " 0 ", "-2",
                    [](DispatcherTest& t) { EXPECT_EQ(t.Slot(1).inUse, 0); }},
        RequestCase{"UpdateGroupNegative", "11 " + Record("/bin/c", {{2, "-4"}}) + " 0 ", "-2",
                    [](DispatcherTest& t) { EXPECT_EQ(t.Slot(1).inUse, 0); }},
        RequestCase{"UpdateTableFull", "11 " + Record("/bin/c", {}) + " 0 ", "-2", nullptr, 19145,
                    [](DispatcherTest& t) { t.table_->header.freeSlots = 0; }}));

TEST_F(DispatcherTest, ARequestFillingTheWholeBufferIsTerminatedAfterItsBytes) {
    // 1024 bytes and no NUL: the bytes after it are never read.
    std::vector<char> request(1024 + 64, 'y');
    std::memcpy(request.data(), "10 ", 3);
    char reply[hvsvc::HvinitDispatcher::kReplyBytes];
    dispatcher_.Dispatch(request.data(), 1024, reply, hvsvc::HvinitDispatcher::Origin::Pipe);
    EXPECT_STREQ(reply, "1");
    // Past 1024 bytes the rest is cut.
    std::string line = "4 /bin/b " + std::string(2000, ' ');
    dispatcher_.Dispatch(line.data(), line.size(), reply, hvsvc::HvinitDispatcher::Origin::Pipe);
    EXPECT_STREQ(reply, "7");
}

TEST_F(DispatcherTest, UpdateWithAnotherPidDropsTheHandleOfTheOldProcess) {
    monitor_.Begin();
    monitor_.Pass();  // slot 0 is looked up and gets a handle
    ASSERT_GT(Slot(0).processHandle, 1);
    EXPECT_EQ(Reply("11 " + Record("/bin/a", {{1, "777"}}) + " 2 "), "0");
    EXPECT_EQ(Slot(0).processHandle, 0);
    EXPECT_EQ(sys_.OpenHandles(), 0u);
}

// ---- Configuration-file edits ------------------------------------------------------------
using ConfigEditTest = HvinitFixture;

TEST_F(ConfigEditTest, UpdateconfAddsDeletesAndRefusesAPresentProcess) {
    const std::string original = "/bin/a X X X X X X X\n\n/bin/b 3 X 1 2 3 6 X\n";
    Config(original);
    // Adding a process already there leaves the file as it was.
    EXPECT_EQ(Reply("12 /bin/b|z::X::X::X::X::X::X::X 0 "), "3");
    EXPECT_EQ(ConfigText(), original);
    EXPECT_EQ(Reported(19151), 1u);
    EXPECT_EQ(Reply("12 /bin/c|-v::4::X::2::X::X::X::/bin/dead 0 "), "4");
    EXPECT_EQ(ConfigText(), original + "/bin/c|-v  4  X  2  X  X  X  /bin/dead\n");
    EXPECT_EQ(Reply("12 /bin/a 1 "), "3");
    EXPECT_EQ(ConfigText(), "\n/bin/b 3 X 1 2 3 6 X\n/bin/c|-v  4  X  2  X  X  X  /bin/dead\n");
    EXPECT_EQ(Reply("12 /bin/a 1 "), "3");  // already gone
    EXPECT_EQ(Reported(19153), 1u);
    EXPECT_EQ(Reply("12 /bin/d::X::X 0 "), "-2");  // not 8 fields
    EXPECT_EQ(Reported(19147), 1u);
    // The added line is read back as a monitored process.
    Start();
    EXPECT_STREQ(Slot(1).command, "/bin/c|-v");
    EXPECT_EQ(Slot(1).pollTime, 2);
}

// One edit or query on a prepared file: its reply, the file after it (null:
// unchanged), the message it reports; no temporary file is left and the
// monitor's thread never sleeps.
struct ConfigEditCase {
    const char* name;
    std::optional<std::string> config;  // none: there is no file
    bool staleTemporary;                // a temporary file of an edit that never ended
    std::string request;
    std::string reply;
    const char* after = nullptr;
    int report = 0;
};
void PrintTo(const ConfigEditCase& c, std::ostream* os) { *os << c.name; }

class ConfigEditTable : public ConfigEditTest, public ::testing::WithParamInterface<ConfigEditCase> {};

TEST_P(ConfigEditTable, RepliesAndLeavesTheFileAsItShould) {
    const ConfigEditCase& c = GetParam();
    if (c.config) Config(*c.config);
    if (c.staleTemporary) WriteFile(paths_.config + ".tmp", "half an edit\n");
    const std::int64_t before = sys_.now;
    EXPECT_EQ(Reply(c.request), c.reply);
    EXPECT_EQ(sys_.now, before);
    if (c.after != nullptr) {
        EXPECT_EQ(ConfigText(), c.after);
    } else if (c.config) {
        EXPECT_EQ(ConfigText(), *c.config);
    } else {
        EXPECT_FALSE(std::filesystem::exists(paths_.config));
    }
    if (c.report != 0) {
        EXPECT_EQ(Reported(c.report), 1u);
    }
    EXPECT_FALSE(std::filesystem::exists(paths_.config + ".tmp"));
}

std::string ProcessLines(int n) {
    std::string text;
    for (int i = 0; i < n; ++i) text += "/bin/p" + std::to_string(i) + " X X X X X X X\n";
    return text;
}

const std::string kBrokenFile = "/bin/a X X X X X X X\n/bin/broken X X\n";
const std::string kCommentedFile = "#/bin/c X X X X X X X\n\n/bin/a|1 X X X X X X X\n";

INSTANTIATE_TEST_SUITE_P(
    Edits, ConfigEditTable,
    ::testing::Values(
        // confign keeps the first, comments the second out and copies the third.
        ConfigEditCase{"ConfignCommentsTheSecondOut",
                       "# head\n/bin/a|1 X X X X X X X\n\n/bin/a|2 X X X X X X X\n/bin/b X X X X X X X\n"
                       "/bin/a|3 X X X X X X X\n",
                       false, "1 /bin/a|9 ", "6",
                       "# head\n/bin/a|1 X X X X X X X\n\n#/bin/a|2 X X X X X X X\n/bin/b X X X X X X X\n"
                       "/bin/a|3 X X X X X X X\n",
                       19163},
        ConfigEditCase{"ConfinqFindsTheProgram", kCommentedFile, false, "2 /bin/a ", "1"},
        ConfigEditCase{"ConfinqSkipsAComment", kCommentedFile, false, "2 /bin/c ", "0"},
        ConfigEditCase{"ConfinqOfAShortLine", "/bin/a X X X\n", false, "2 /bin/a ", "-2", nullptr, 19159},
        ConfigEditCase{"UpdateconfRefusesThe129thProcess", ProcessLines(128), false,
                       "12 /bin/q::X::X::X::X::X::X::X 0 ", "-2", nullptr, 19155},
        ConfigEditCase{"UpdateconfOfABrokenFileLeavesIt", kBrokenFile, false, "12 /bin/c::X::X::X::X::X::X::X 0 ",
                       "-2", nullptr, 19150},
        ConfigEditCase{"ConfignOfABrokenFileLeavesIt", kBrokenFile, false, "1 /bin/a ", "-2", nullptr, 19162},
        ConfigEditCase{"AStaleTemporaryFileIsNeitherWaitedForNorLeftBehind", "/bin/a X X X X X X X\n", true,
                       "12 /bin/c::X::X::X::X::X::X::X 0 ", "2",
                       "/bin/a X X X X X X X\n/bin/c  X  X  X  X  X  X  X\n"},
        ConfigEditCase{"ConfinqOfAMissingFile", std::nullopt, false, "2 /bin/a ", "-2", nullptr, 19158},
        ConfigEditCase{"ConfignOfAMissingFile", std::nullopt, false, "1 /bin/a ", "-2", nullptr, 19161}));

}  // namespace
