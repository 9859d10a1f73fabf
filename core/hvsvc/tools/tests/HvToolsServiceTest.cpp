// The process-monitor tools against the real service: hvsvc in console mode
// in a PID namespace of its own (NamespaceService.h), the tools and the
// programs they watch run inside it, the table read from outside.
#include "NamespaceService.h"
#include "ServiceTestSupport.h"

#include "HvinitEventLog.h"
#include "libHVinit.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using hvsvctest::WaitUntil;
using hvtoolstest::Holder;
using hvtoolstest::ToolResult;
namespace fs = std::filesystem;

constexpr int kNoNamespaces = -100;

// Skips the test where PID namespaces cannot be made.
#define START_SERVICE(config)                                                        \
    do {                                                                             \
        const int started = StartService(config);                                   \
        if (started == kNoNamespaces) GTEST_SKIP() << "PID namespaces not permitted"; \
        ASSERT_EQ(started, 0);                                                       \
    } while (0)

class HvToolsService : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = inst_.Root();
        fs::create_directories(root_ + "/etc");
        for (const char* name : {"hvtw", "hvta", "hvtb", "hvtc", "hvtd", "hvte", "hvtf"})
            fs::copy_file(HV_PROBE_BIN, root_ + "/bin/" + name);
    }
    void TearDown() override {
        if (table_ != nullptr) hvi_shm_detach(table_);
        hvi_shm_remove();
    }

    int StartService(const std::string& config) {
        std::ofstream(root_ + "/etc/hvinit.config") << config;
        const int rc = service_.Start(HV_HVSVC_BIN, inst_.Sys() + "/hvsvc.out");
        if (rc == EPERM || rc == EINVAL || rc == ENOSPC) return kNoNamespaces;
        if (rc != 0) return rc;
        if (!WaitUntil([] { return hvi_shm_get() == 1; })) return -1;
        table_ = static_cast<hvinit::HvinitTable*>(hvi_shm_attach());
        if (table_ == nullptr || !WaitUntil([this] { return table_->header.serverReady == 1; })) return -2;
        return 0;
    }

    std::string Program(const std::string& name) const { return root_ + "/bin/" + name; }
    ToolResult Run(const std::string& tool, const std::vector<std::string>& args = {}) const {
        return service_.Run(tool, args);
    }
    // The in-use slot of a program, or -1.
    int SlotOf(const std::string& name) const {
        for (int i = 0; i < hvinit::kSlotCount; ++i) {
            const hvinit::HvinitSlot& s = table_->slots[i];
            if (s.inUse == 1 && std::string(s.command).rfind(Program(name) + "|", 0) == 0) return i;
        }
        return -1;
    }
    const hvinit::HvinitSlot& Slot(int i) const { return table_->slots[i]; }
    bool Monitored(int i) const { return i >= 0 && Slot(i).inUse == 1 && Slot(i).state == 'M' && Slot(i).pid > 1; }
    // The configuration lines naming the program.
    std::vector<std::string> ConfigLines(const std::string& name) const {
        std::vector<std::string> lines;
        std::ifstream in(root_ + "/etc/hvinit.config");
        for (std::string line; std::getline(in, line);)
            if (line.rfind(Program(name) + "|", 0) == 0) lines.push_back(line);
        return lines;
    }
    static std::vector<std::string> Fields(const std::string& line) {
        std::istringstream in(line);
        std::vector<std::string> fields;
        for (std::string f; in >> f;) fields.push_back(f);
        return fields;
    }

    hvsvctest::Installation inst_;
    std::string root_;
    hvtoolstest::NamespaceService service_;
    hvinit::HvinitTable* table_ = nullptr;
};

TEST_F(HvToolsService, AddwatchRegistersAndConfigures) {
    START_SERVICE("");
    ToolResult r = Run("hvi_status");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "\nStatus of the processes registered with HV-init:\n"
                     "------------------------------------------------\n\n");

    const std::string command = Program("hvtw") + "|stay";
    r = Run("hvi_addwatch", {"-a", command});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const int s = SlotOf("hvtw");
    ASSERT_GE(s, 0);
    ASSERT_TRUE(Monitored(s));
    const int group = Slot(s).groupNumber;
    const int pid = Slot(s).pid;
    EXPECT_EQ(table_->header.groupStates[group], hvinit::kGroupUsed);
    ASSERT_EQ(ConfigLines("hvtw").size(), 1u);
    EXPECT_EQ(Fields(ConfigLines("hvtw")[0]),
              (std::vector<std::string>{command, std::to_string(group), "X", "X", "X", "X", "X", "X"}));

    const std::string rule = "\n-----------------------------------------------\n";
    r = Run("hvi_status", {Program("hvtw")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, rule + "Process Name     : " + Program("hvtw") + " stay\nSystem Name      : " +
                         table_->header.systemName + "\nPid              : " + std::to_string(pid) +
                         "\nGroup Number     : " + std::to_string(group) +
                         "\nCI Name          : NONE\nPolling Time     : 5\nRestart Count    : 5\n"
                         "Restart Interval : 5\nRestart Time Unit: 25\nFile Name        : NONE\n"
                         "Status           : Monitoring\n" + rule);
    r = Run("procseek", {"hvtw"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, std::to_string(pid) + "\n");
    r = Run("hvi_getgrpn", {command});
    EXPECT_EQ(r.out, std::to_string(group) + "\n");
    r = Run("hvi_getgrpn");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_GT(std::atoi(r.out.c_str()), 0);
    EXPECT_NE(std::atoi(r.out.c_str()), group);
}

TEST_F(HvToolsService, KillprocRestartsThenClears) {
    const std::string command = Program("hvtw") + "|stay";
    START_SERVICE(command + " X X 1 X 1 X X\n");
    const int s = SlotOf("hvtw");
    ASSERT_TRUE(WaitUntil([&] { return Monitored(s); }));
    const int group = Slot(s).groupNumber;
    const int pid = Slot(s).pid;

    // Killed, then found dead at the poll that the kill asked for, and restarted.
    ToolResult r = Run("hvi_killproc", {command});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("has been killed successfully."), std::string::npos) << r.err;
    EXPECT_TRUE(WaitUntil([&] { return Monitored(s) && Slot(s).pid != pid; }, 5000));
    EXPECT_EQ(Slot(s).failCount, 1);

    // Cleared: slot, configuration line and group number gone, the process too.
    r = Run("hvi_killproc", {"-c", Program("hvtw")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(SlotOf("hvtw"), -1);
    EXPECT_TRUE(ConfigLines("hvtw").empty());
    EXPECT_EQ(table_->header.groupStates[group], hvinit::kGroupFree);
    EXPECT_TRUE(WaitUntil([&] { return Run("procseek", {"hvtw"}).exitCode == 1; }, 5000));
}

TEST_F(HvToolsService, AddwatchAdoptsARunningProgramByNameAndByPid) {
    START_SERVICE("");
    Holder a({Program("hvta"), "wait"}, true, service_.Init());
    Holder b({Program("hvtb"), "wait"}, true, service_.Init());
    const int pidA = std::atoi(a.FirstLine().c_str());
    const int pidB = std::atoi(b.FirstLine().c_str());
    ASSERT_GT(pidA, 1);
    ASSERT_GT(pidB, 1);

    ToolResult r = Run("hvi_addwatch", {"-m", "hvta", Program("hvta") + "|wait"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_TRUE(Monitored(SlotOf("hvta")));
    EXPECT_EQ(Slot(SlotOf("hvta")).pid, pidA);

    r = Run("hvi_addwatch", {"-m", std::to_string(pidB), Program("hvtb") + "|wait"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_TRUE(Monitored(SlotOf("hvtb")));
    EXPECT_EQ(Slot(SlotOf("hvtb")).pid, pidB);

    r = Run("hvi_addwatch", {"-m", "hvta", Program("hvta") + "|wait"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("HV-init is already monitoring the process"), std::string::npos) << r.err;
}

TEST_F(HvToolsService, DelwatchStopsAConfiguredProcessAndRemovesAnother) {
    START_SERVICE(Program("hvtc") + "|stay X X 1 X 1 X X\n");
    ASSERT_TRUE(WaitUntil([&] { return Monitored(SlotOf("hvtc")); }));
    ToolResult r = Run("hvi_addwatch", {"-a", Program("hvtd") + "|stay"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const int d = SlotOf("hvtd");
    ASSERT_TRUE(Monitored(d));
    const int group = Slot(d).groupNumber;

    // In the configuration file: the slot stays, stopped, without a pid; the
    // process is left running.
    const int c = SlotOf("hvtc");
    r = Run("hvi_delwatch", {Program("hvtc")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Slot(c).inUse, 1);
    EXPECT_EQ(Slot(c).state, 'S');
    EXPECT_EQ(Slot(c).pid, -1);
    EXPECT_EQ(ConfigLines("hvtc").size(), 1u);
    EXPECT_EQ(Run("procseek", {"hvtc"}).exitCode, 0);

    // -d: slot, line and group number gone; not killed.
    r = Run("hvi_delwatch", {"-d", Program("hvtd") + "|other"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(SlotOf("hvtd"), -1);
    EXPECT_TRUE(ConfigLines("hvtd").empty());
    EXPECT_EQ(table_->header.groupStates[group], hvinit::kGroupFree);
    EXPECT_EQ(Run("procseek", {"hvtd"}).exitCode, 0);
}

TEST_F(HvToolsService, StopwatchAndADeadProcess) {
    // hvte ends at once: restarted once, then dead.
    START_SERVICE(Program("hvte") + "|exit X X 1 1 1 X X\n" + Program("hvtf") + "|stay X X 1 X 1 X X\n");
    const int e = 0, f = 1;
    ASSERT_TRUE(WaitUntil([&] { return Slot(e).state == 'D' && Monitored(f); }, 10000));

    ToolResult r = Run("hvi_killproc", {Program("hvte")});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("is dead and is not being monitored."), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("killed successfully"), std::string::npos) << r.err;

    r = Run("hvi_stopwatch");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "returned 0\n");
    EXPECT_EQ(Slot(f).state, 'S');
    EXPECT_EQ(Slot(e).state, 'D');
    r = Run("hvi_status");
    EXPECT_NE(r.out.find("Status           : Dead\n"), std::string::npos);
    EXPECT_NE(r.out.find("Status           : Stopped\n"), std::string::npos);
}

}  // namespace
