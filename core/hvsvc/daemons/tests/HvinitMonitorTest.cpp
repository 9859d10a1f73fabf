// The monitor's logic on the fake process layer and a test clock: the
// configuration and tunables files, the restart budget, group kills and
// waiting slots.
#include "HvinitFixture.h"

#include "HvinitTunables.h"

namespace {

using namespace hvsvctest;

// ---- The configuration file, one line at a time -------------------------------
// Tunables for every case: POLLTIME 3, RESTARTCNT 4, RESTARTTMI 2 (window 8).
struct LineCase {
    const char* name;
    std::string line;
    int report;  // 0: the line fills slot 0
    int group = 0, poll = 0, count = 0, interval = 0, unit = 0;
};
void PrintTo(const LineCase& c, std::ostream* os) { *os << c.name; }

class ConfigLineTest : public HvinitFixture, public ::testing::WithParamInterface<LineCase> {};

TEST_P(ConfigLineTest, FillsTheSlotOrReportsTheLine) {
    const LineCase& c = GetParam();
    Config(c.line + "\n");
    Start("POLLTIME=3\nRESTARTCNT=4\nRESTARTTMI=2\n");
    if (c.report != 0) {
        EXPECT_EQ(Slot(0).inUse, 0);
        EXPECT_EQ(Reported(c.report), 1u);
        EXPECT_EQ(table_->header.freeSlots, 128);
        EXPECT_TRUE(sys_.starts.empty());
        return;
    }
    ASSERT_EQ(Slot(0).inUse, 1);
    EXPECT_EQ(Slot(0).groupNumber, c.group);
    EXPECT_EQ(table_->header.groupStates[c.group], hvinit::kGroupUsed);
    EXPECT_EQ(Slot(0).pollTime, c.poll);
    EXPECT_EQ(Slot(0).restartCount, c.count);
    EXPECT_EQ(Slot(0).restartInterval, c.interval);
    EXPECT_EQ(Slot(0).restartTimeUnit, c.unit);
    EXPECT_EQ(Slot(0).state, 'M');
    EXPECT_EQ(Slot(0).registrationTag, 6);
    EXPECT_EQ(table_->header.freeSlots, 127);
}

const std::string kLong256(256, 'p');
INSTANTIATE_TEST_SUITE_P(
    Lines, ConfigLineTest,
    ::testing::Values(
        LineCase{"XTakesEveryDefault", "/bin/p|a X X X X X X X", 0, 1, 3, 4, 2, 8},
        LineCase{"GivenValues", "/bin/p 9 X 7 3 5 20 X", 0, 9, 7, 3, 5, 20},
        LineCase{"UnitRaisedToCountTimesInterval", "/bin/p 9 X 7 3 5 10 X", 0, 9, 7, 3, 5, 15},
        LineCase{"NegativeCountIsNoLimit", "/bin/p 9 X 7 -5 5 0 X", 0, 9, 7, -1, 5, 0},
        LineCase{"CountZero", "/bin/p 9 X 7 0 5 10 X", 19032},
        LineCase{"UnitZeroWithALimit", "/bin/p 9 X 7 2 5 0 X", 19032},
        LineCase{"GroupOutOfRange", "/bin/p 129 X 7 2 5 10 X", 19032},
        LineCase{"PollNotANumber", "/bin/p 9 X 7s 2 5 10 X", 19032},
        LineCase{"SevenFields", "/bin/p 9 X 7 2 5 10", 19032},
        LineCase{"CommandOf256", "/" + kLong256 + " X X X X X X X", 19036},
        LineCase{"InstanceOf30", "/bin/p X " + std::string(30, 'c') + " X X X X X", 19038},
        LineCase{"InstanceOf29", "/bin/p X " + std::string(29, 'c') + " X X X X X", 0, 1, 3, 4, 2, 8},
        LineCase{"FileNameOf128", "/bin/p X X X X X X /" + std::string(127, 'f'), 19040}));

using ConfigFileTest = HvinitFixture;

TEST_F(ConfigFileTest, MissingFileIsCreatedEmptyAndNothingIsMonitored) {
    Start();
    EXPECT_TRUE(std::filesystem::exists(paths_.config));
    EXPECT_EQ(table_->header.freeSlots, 128);
    EXPECT_TRUE(sys_.starts.empty());
}

TEST_F(ConfigFileTest, BlankLinesSkippedDuplicateCommentedOutAndThe129thRefused) {
    std::string text = "# comment\n/bin/p0 X X X X X X X\n\n   \n/bin/p0|other X X X X X X X\n";
    for (int i = 1; i < 128; ++i) text += "/bin/p" + std::to_string(i) + " X X X X X X X\n" + (i % 40 == 0 ? "\n" : "");
    text += "/bin/p128 X X X X X X X\n";
    Config(text);
    Start();
    // Every line after the blank ones is monitored, the duplicate gave its slot back.
    for (int i = 0; i < 128; ++i) {
        ASSERT_EQ(Slot(i).inUse, 1) << i;
        EXPECT_EQ(std::string(Slot(i).command), "/bin/p" + std::to_string(i));
    }
    EXPECT_EQ(table_->header.freeSlots, 0);
    EXPECT_EQ(Reported(19035), 1u);
    EXPECT_EQ(Reported(19042), 1u);
    EXPECT_EQ(sys_.starts.size(), 128u);
    // Groups: X takes the lowest free number, so all 128 went.
    EXPECT_EQ(Slot(127).groupNumber, 128);
    const std::string after = ConfigText();
    EXPECT_NE(after.find("\n#/bin/p0|other X X X X X X X\n"), std::string::npos);
    EXPECT_NE(after.find("# comment\n/bin/p0 X X X X X X X\n\n\n"), std::string::npos);  // blank lines kept
}

TEST_F(ConfigFileTest, AProcessAlreadyRunningIsAdoptedNotStarted) {
    sys_.running["/bin/a"] = 42;
    Config("/bin/a|x X X X X X X X\n/bin/b X X X X X X X\n");
    Start();
    EXPECT_EQ(Slot(0).pid, 42);
    EXPECT_EQ(Slot(0).state, 'M');
    EXPECT_GT(Slot(0).processHandle, 1);
    EXPECT_EQ(sys_.starts, std::vector<std::string>{"/bin/b"});
    EXPECT_EQ(Reported(19114), 1u);
}

// ---- Tunables ----------------------------------------------------------------------
struct TunablesCase {
    const char* name;
    const char* text;  // null: no file
    int poll, count, interval, window;
    int report;
};
void PrintTo(const TunablesCase& c, std::ostream* os) { *os << c.name; }

class TunablesTest : public ::testing::TestWithParam<TunablesCase> {
protected:
    void SetUp() override { set_errinfo("Hvinit:", "/usr/alarm/out/HVINIT", 4, nullptr); }
    Installation sys_;
};

TEST_P(TunablesTest, ReadsAndClamps) {
    const TunablesCase& c = GetParam();
    const std::string path = sys_.Root() + "/HVinit";
    if (c.text != nullptr) std::ofstream(path) << c.text;
    hvinit::HvinitHeader h{};
    hvsvc::HvinitTunables::Load(path, &h);
    EXPECT_EQ(h.pollTime, c.poll);
    EXPECT_EQ(h.restartCount, c.count);
    EXPECT_EQ(h.restartInterval, c.interval);
    EXPECT_EQ(h.restartWindow, c.window);
    if (c.report != 0) EXPECT_EQ(hvtest::Reports(c.report).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Files, TunablesTest,
    ::testing::Values(TunablesCase{"NoFile", nullptr, 5, 5, 5, 25, 19002},
                      TunablesCase{"AllSet", "POLLTIME = 2\nRESTARTCNT=3\nRESTARTTMI =4 # four\n", 2, 3, 4, 12, 0},
                      TunablesCase{"UnknownName", "POLLTIME=2\nPOLTIME=9\n", 2, 5, 5, 25, 19003},
                      TunablesCase{"Clamped", "POLLTIME=0\nRESTARTCNT=-3\nRESTARTTMI=-1\n", 5, -1, 5, 0, 0},
                      TunablesCase{"CountZeroIsFive", "RESTARTCNT=0\n", 5, 5, 5, 25, 0},
                      TunablesCase{"SkippedLines", " POLLTIME=9\n#POLLTIME=8\n/POLLTIME=7\n", 5, 5, 5, 25, 0}));

// ---- The restart budget and groups ----------------------------------------------------
class RestartTest : public HvinitFixture {
protected:
    // a: count 2, interval 1, window 60, poll 1, group 7, file program on death.
    // b: same group, unlimited. c: another group.
    void SetUp() override {
        Config("/bin/a|x 7 X 1 2 1 60 /bin/ondead\n/bin/b 7 X 1 -1 1 X X\n/bin/c 8 X 1 X 1 X X\n");
        Start();
        ASSERT_EQ(sys_.starts.size(), 3u);
    }
};

TEST_F(RestartTest, TwoRestartsThenDeadWithTheGroupStoppedAndTheFileProgramRun) {
    const std::int64_t t0 = sys_.now;
    for (int death = 1; death <= 2; ++death) {
        const int a = Slot(0).pid;
        const int b = Slot(1).pid;
        sys_.Die("/bin/a");
        PassAfter(1);
        EXPECT_EQ(Slot(0).failCount, death);
        EXPECT_EQ(Slot(0).windowEnd, t0 + 1 + 60);  // opened by the first death
        EXPECT_NE(Slot(0).pid, a);
        EXPECT_EQ(Slot(0).state, 'M');
        EXPECT_EQ(Slot(0).lastStartedPid, Slot(0).pid);
        // The partner: one KILL, then restarted with it.
        EXPECT_EQ(sys_.KillsOf(b), 1);
        EXPECT_NE(Slot(1).pid, b);
        EXPECT_EQ(Slot(1).state, 'M');
        EXPECT_EQ(Slot(1).failCount, death);
    }
    EXPECT_EQ(Reported(19025), 4u);  // a and b, twice
    const int b = Slot(1).pid;
    const int c = Slot(2).pid;
    sys_.Die("/bin/a");
    PassAfter(1);
    EXPECT_EQ(Slot(0).state, 'D');
    EXPECT_EQ(Slot(0).pid, -1);
    EXPECT_EQ(Slot(0).failCount, 3);
    EXPECT_EQ(Slot(1).state, 'S');
    EXPECT_EQ(Slot(1).pid, -1);
    EXPECT_EQ(sys_.KillsOf(b), 1);
    EXPECT_FALSE(sys_.Running(b));
    EXPECT_EQ(Slot(2).pid, c);  // another group is left alone
    EXPECT_EQ(Slot(2).state, 'M');
    EXPECT_EQ(sys_.runs, (std::vector<std::vector<std::string>>{{"/bin/ondead"}}));
    EXPECT_EQ(Reported(19026), 1u);
    // A dead slot is not polled again.
    const std::size_t starts = sys_.starts.size();
    PassAfter(5);
    EXPECT_EQ(sys_.starts.size(), starts);
}

TEST_F(RestartTest, AliveAtTheWindowEndResetsTheFailCount) {
    sys_.Die("/bin/a");
    PassAfter(1);
    ASSERT_EQ(Slot(0).failCount, 1);
    PassAfter(30);
    EXPECT_EQ(Slot(0).failCount, 1);  // inside the window
    PassAfter(31);
    EXPECT_EQ(Slot(0).failCount, 0);
    EXPECT_EQ(Slot(0).windowEnd, 0);
}

TEST_F(RestartTest, AFailedRestartTakesTheFailureBackAndMovesTheWindow) {
    sys_.Die("/bin/c");
    sys_.failStarts = 1;
    sys_.startCost = 3;
    PassAfter(1);
    const std::int64_t loop = sys_.now - 3;
    EXPECT_EQ(Slot(2).failCount, 0);
    EXPECT_EQ(Slot(2).windowEnd, loop + 25 + 3);  // window X: the header's 25, moved by the 3 s spent
    EXPECT_EQ(Slot(2).pid, -1);
    EXPECT_EQ(Reported(200006), 4u);  // three created, one failure
    // The next poll restarts it.
    PassAfter(1);
    EXPECT_GT(Slot(2).pid, 1);
    EXPECT_EQ(Slot(2).failCount, 1);
}

TEST_F(RestartTest, EachGroupMemberGetsOneKillWhateverKillDoesToItsPid) {
    // b's pid stays in its slot after a KILL; the kill must still be sent once.
    const int b = Slot(1).pid;
    sys_.Die("/bin/a");
    PassAfter(1);
    EXPECT_EQ(sys_.kills, std::vector<int>{b});
}

TEST_F(RestartTest, AToolsNumberInTheHandleFieldIsNeverUsed) {
    const std::size_t open = sys_.OpenHandles();
    Slot(2).processHandle = 1234;  // written by someone else
    PassAfter(1);
    // The monitor dropped its own handle and looked the process up again.
    EXPECT_EQ(Slot(2).state, 'M');
    EXPECT_EQ(Slot(2).failCount, 0);
    EXPECT_NE(Slot(2).processHandle, 1234);
    EXPECT_EQ(sys_.OpenHandles(), open);
}

TEST_F(RestartTest, AClockSetBackDoesNotStopThePolls) {
    sys_.now -= 3600;
    sys_.Die("/bin/c");
    PassAfter(1);
    EXPECT_EQ(Slot(2).failCount, 1);
    EXPECT_GT(Slot(2).pid, 1);
    // And the polls go on at their pace from the new time.
    sys_.Die("/bin/c");
    PassAfter(1);
    EXPECT_EQ(Slot(2).failCount, 2);
}

TEST_F(RestartTest, GroupZeroTiesNoProcessesTogether) {
    Slot(0).groupNumber = 0;
    Slot(2).groupNumber = 0;
    const int c = Slot(2).pid;
    sys_.Die("/bin/a");
    PassAfter(1);
    EXPECT_EQ(Slot(2).pid, c);
    EXPECT_TRUE(sys_.kills.empty());
}

TEST_F(ConfigFileTest, WaitingSlotsStartOnlyOnceTheirInstanceIsActive) {
    sys_.inactive.insert("inst1");
    Config("/bin/w X inst1 1 X 1 X X\n");
    Start();
    EXPECT_EQ(Slot(0).state, 'W');
    EXPECT_EQ(Slot(0).pid, -1);
    PassAfter(1);
    PassAfter(1);
    EXPECT_EQ(Slot(0).state, 'W');
    EXPECT_TRUE(sys_.starts.empty());
    sys_.inactive.clear();
    PassAfter(1);
    EXPECT_EQ(Slot(0).state, 'M');
    EXPECT_EQ(sys_.starts, std::vector<std::string>{"/bin/w"});
    EXPECT_EQ(Reported(19030), 1u);
    // Dead while its instance is down: it waits again instead of being started.
    sys_.inactive.insert("inst1");
    sys_.Die("/bin/w");
    PassAfter(1);
    EXPECT_EQ(Slot(0).state, 'W');
    EXPECT_EQ(Slot(0).failCount, 1);
}

TEST_F(ConfigFileTest, GroupNumbersAgeEveryMinute) {
    Start();
    table_->header.groupStates[5] = hvinit::kGroupHandedOut;
    table_->header.groupStates[6] = hvinit::kGroupUsed;
    PassAfter(0);  // the first pass ages at once
    EXPECT_EQ(table_->header.groupStates[5], hvinit::kGroupAgeing);
    PassAfter(30);
    EXPECT_EQ(table_->header.groupStates[5], hvinit::kGroupAgeing);
    PassAfter(30);
    EXPECT_EQ(table_->header.groupStates[5], hvinit::kGroupFree);
    EXPECT_EQ(table_->header.groupStates[6], hvinit::kGroupUsed);
}

}  // namespace
