// The configuration tool (hvconfig) against a real database daemon and
// manager (qdb and mxrcfgstore on a fresh system directory and root), and the
// registry tool (hvreg): exit codes, the database's refusals, and changes
// that reach the table files at once.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "../../core/mxr/tests/ProcessTestSupport.h"
#include "platform/tests/TempSystemDir.h"

using namespace mxrtest;

namespace {

struct ToolRun {
    int rc;
    std::string out, err;
};

struct ToolBase : ::testing::Test {
    hvtest::TempSystemDir sys;
    std::string root = sys.Path() + "/root";
    int runs = 0;

    EnvOverrides Env() const {
        // The administrator's wait for an agent that never comes is cut short.
        return {{"HV_SYSTEM_DIR", sys.Path()}, {"TEST_ROOT", root},
                {"TEST_UNAME", "NODEA"},        {"MXRHOSTNAME", "NODEA"},
                {"HV_TEST_TIME_SCALE", "0.01"}};
    }
    ToolRun Tool(const char* bin, const std::vector<std::string>& words) {
        std::vector<std::string> argv{bin};
        argv.insert(argv.end(), words.begin(), words.end());
        const std::string base = sys.Path() + "/run" + std::to_string(++runs);
        ChildProcess p(argv, Env(), base + ".out", base + ".err");
        const int rc = p.Wait(30000);
        return {rc, p.Out(), p.Err()};
    }
    ToolRun Config(const std::vector<std::string>& words) { return Tool(HV_HVCONFIG_BIN, words); }
    std::string TableFile(const char* name) { return ReadFile(root + "/config/" + name); }
};

struct ConfigTool : ToolBase {
    std::unique_ptr<ChildProcess> daemon, manager;

    void SetUp() override {
        std::filesystem::create_directories(root + "/etc");
        std::ofstream(root + "/etc/Holdervane") << "INITTIMEOUT=20\n";
        daemon = std::make_unique<ChildProcess>(std::vector<std::string>{HV_QDB_BIN}, Env(), sys.Path() + "/qdb.out",
                                                sys.Path() + "/qdb.err");
        manager = std::make_unique<ChildProcess>(std::vector<std::string>{HV_MXRCFGSTORE_BIN}, Env(),
                                                 sys.Path() + "/mgr.out", sys.Path() + "/mgr.err");
        ASSERT_TRUE(WaitUntil([&] { return daemon->Out().find("qdb: serving") != std::string::npos; }, 30000))
            << daemon->Err() << manager->Err();
    }
    void TearDown() override {
        if (daemon) daemon->Stop();
        if (manager) manager->Stop();
    }
};

}  // namespace

// Bad command lines are refused before the database is asked: no daemon runs.
TEST_F(ToolBase, BadCommandLinesAreRefusedWithTheUsage) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"sys"},
        {"nosuch", "list"},
        {"sys", "nosuch"},
        {"sys", "create"},
        {"sys", "create", "A", "B"},
        {"sys", "list", "extra"},
        {"sys", "create", ""},
        {"-d"},
        {"-d", "", "sys", "list"},
        {"-x", "sys", "list"},
        {"flag", "test"},
    };
    for (const auto& words : cases) {
        const ToolRun r = Config(words);
        std::string line;
        for (const auto& w : words) line += "[" + w + "]";
        EXPECT_EQ(r.rc, 64) << line << r.err;
        EXPECT_NE(r.err.find("usage: hvconfig"), std::string::npos) << line;
    }
    const ToolRun help = Config({"--help"});
    EXPECT_EQ(help.rc, 0);
    EXPECT_NE(help.out.find("sys  create"), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("flag test"), std::string::npos) << help.out;
}

TEST_F(ConfigTool, SystemsAreDefinedListedAndRemovedAndEachChangeReachesTheTableFile) {
    // The local system is recorded from the start.
    EXPECT_EQ(Config({"sys", "list"}).out, "NODEA\n");
    EXPECT_EQ(Config({"sys", "state", "NODEA"}).out.substr(0, 8), "NODEA A ");
    EXPECT_EQ(Config({"sys", "create", "NODEA"}).rc, 2);
    const ToolRun created = Config({"sys", "create", "NODEB"});
    ASSERT_EQ(created.rc, 0) << created.err;
    // Written at once: the change outlives the segment.
    EXPECT_NE(TableFile("systems").find("NODEB\x01"), std::string::npos) << TableFile("systems");
    EXPECT_EQ(Config({"sys", "list"}).out, "NODEA\nNODEB\n");
    EXPECT_EQ(Config({"sys", "state", "NODEB"}).out, "NODEB U \n");

    const ToolRun again = Config({"sys", "create", "NODEB"});
    EXPECT_EQ(again.rc, 2);
    EXPECT_NE(again.err.find("already in use"), std::string::npos) << again.err;

    EXPECT_EQ(Config({"sys", "set-state", "NODEB", "D", "switched off"}).rc, 0);
    EXPECT_EQ(Config({"sys", "state", "NODEB"}).out, "NODEB D switched off\n");
    EXPECT_EQ(Config({"sys", "set-state", "NODEB", "Q"}).rc, 64);
    const ToolRun localDead = Config({"sys", "set-state", "NODEA", "D"});
    EXPECT_EQ(localDead.rc, 2);
    EXPECT_NE(localDead.err.find("Can't set local system to DEAD"), std::string::npos) << localDead.err;
    const ToolRun unknown = Config({"sys", "state", "NODEC"});
    EXPECT_EQ(unknown.rc, 2);
    EXPECT_NE(unknown.err.find("not defined"), std::string::npos) << unknown.err;

    const ToolRun local = Config({"sys", "remove", "NODEA"});
    EXPECT_EQ(local.rc, 2);
    EXPECT_NE(local.err.find("can't remove entry for local system"), std::string::npos) << local.err;
    EXPECT_EQ(Config({"sys", "remove", "NODEB"}).rc, 0);
    EXPECT_EQ(Config({"sys", "list"}).out, "NODEA\n");
    EXPECT_EQ(TableFile("systems").find("NODEB"), std::string::npos) << TableFile("systems");
}

TEST_F(ConfigTool, FlagsAreCreatedTestedAndRemoved) {
    EXPECT_EQ(Config({"flag", "create", "shutdown_switchover"}).rc, 0);
    EXPECT_EQ(Config({"flag", "test", "shutdown_switchover"}).rc, 0);
    EXPECT_EQ(Config({"flag", "test", "other"}).rc, 1);
    EXPECT_EQ(Config({"flag", "list"}).out, "shutdown_switchover\n");
    EXPECT_NE(TableFile("flg").find("shutdown_switchover"), std::string::npos);
    EXPECT_EQ(Config({"flag", "create", "shutdown_switchover"}).rc, 2);
    EXPECT_EQ(Config({"flag", "remove", "shutdown_switchover"}).rc, 0);
    EXPECT_EQ(Config({"flag", "test", "shutdown_switchover"}).rc, 1);
    EXPECT_EQ(Config({"flag", "remove", "shutdown_switchover"}).rc, 2);
    EXPECT_EQ(Config({"flag", "list"}).out, "");
}

TEST_F(ConfigTool, ApplicationsAndTypesAreDirectoriesMadeAtOnce) {
    EXPECT_EQ(Config({"typ", "list"}).rc, 0) << "no type is an empty list";
    EXPECT_EQ(Config({"app", "list"}).out, "");
    ASSERT_EQ(Config({"app", "create", "web"}).rc, 0);
    EXPECT_TRUE(std::filesystem::is_directory(root + "/subsys/web/resources"));
    const ToolRun reserved = Config({"app", "create", "actions"});
    EXPECT_EQ(reserved.rc, 2) << reserved.err;
    EXPECT_EQ(Config({"app", "create", "web"}).rc, 2);
    ASSERT_EQ(Config({"typ", "create", "web", "ipaddr"}).rc, 0);
    ASSERT_EQ(Config({"typ", "create", "web", "volume"}).rc, 0);
    EXPECT_TRUE(std::filesystem::is_directory(root + "/subsys/web/resources/ipaddr"));
    EXPECT_EQ(Config({"typ", "create", "nosuch", "volume"}).rc, 2);
    EXPECT_EQ(Config({"typ", "list", "web"}).out, "ipaddr\nvolume\n");
    EXPECT_EQ(Config({"typ", "list"}).out, "web ipaddr\nweb volume\n");
    EXPECT_EQ(Config({"app", "list"}).out, "web\n");
    EXPECT_EQ(Config({"typ", "remove", "web", "volume"}).rc, 0);
    EXPECT_FALSE(std::filesystem::exists(root + "/subsys/web/resources/volume"));
    EXPECT_EQ(Config({"typ", "list", "web"}).out, "ipaddr\n");
}

TEST_F(ConfigTool, APathIsStoredAndWrittenEvenWhenNoAgentTakesIt) {
    ASSERT_EQ(Config({"sys", "create", "NODEB"}).rc, 0);
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"net", "create", "NODEB", "TCPIP:1500", "UDP", "2", "5"},
             {"net", "create", "NODEB", "TCPIP:1500", "TLI", "0", "5"},
             {"net", "create", "NODEB", "TCPIP:1500", "TLI", "2", "5x"},
             {"net", "create", "NODEB", "/dev/ttyS0", "TTY", "2", "5", "-1"}})
        EXPECT_EQ(Config(bad).rc, 64) << bad[4] << bad[5] << bad[6];
    // No socket agent runs: the administrator gives up, the path stays stored.
    const ToolRun stored = Config({"net", "create", "NODEB", "TCPIP:1500", "TLI", "2", "5"});
    EXPECT_EQ(stored.rc, 1) << stored.err;
    EXPECT_NE(stored.err.find("stored, but the administrator did not take the path"), std::string::npos) << stored.err;
    const ToolRun list = Config({"net", "list"});
    EXPECT_EQ(list.out.rfind("NODEB TCPIP:1500 TLI ", 0), 0u) << list.out;
    EXPECT_NE(TableFile("networks").find("TCPIP:1500"), std::string::npos) << TableFile("networks");
    EXPECT_EQ(Config({"net", "create", "NODEC", "TCPIP:1500", "TLI", "2", "5"}).rc, 2) << "an unknown system";
    const ToolRun none = Config({"net", "remove", "NODEC"});
    EXPECT_EQ(none.rc, 2);
    EXPECT_NE(none.err.find("no match"), std::string::npos) << none.err;
}

TEST_F(ToolBase, RegistryValuesAreSetAndReadBack) {
    EXPECT_EQ(Tool(HV_HVREG_BIN, {"set", "General", "RootDir", "/opt/hv"}).rc, 0);
    EXPECT_EQ(Tool(HV_HVREG_BIN, {"get", "General", "RootDir"}).out, "/opt/hv\n");
    EXPECT_EQ(Tool(HV_HVREG_BIN, {"setint", "HVINIT", "Level", "7"}).rc, 0);
    EXPECT_EQ(Tool(HV_HVREG_BIN, {"get", "HVINIT", "Level"}).out, "7\n");
    EXPECT_EQ(Tool(HV_HVREG_BIN, {"get", "HVINIT", "Missing"}).rc, 2);
    EXPECT_EQ(Tool(HV_HVREG_BIN, {"computer-name", "SYSA"}).rc, 0);
    struct Bad {
        std::vector<std::string> words;
    };
    for (const auto& b : std::vector<Bad>{{{"computer-name", "MUCH-TOO-LONG-A-NAME"}},
                                          {{"computer-name", "a b"}},
                                          {{"setint", "S", "V", "12x"}},
                                          {{"set", "S", "V"}},
                                          {{"nosuch"}},
                                          {{}}})
        EXPECT_EQ(Tool(HV_HVREG_BIN, b.words).rc, 1) << (b.words.empty() ? "" : b.words[0]);
}

// Words the subcommands check themselves (64), and the database's own
// refusals (2), for the instance, equivalency and path subcommands.
TEST_F(ConfigTool, BadWordsOfInstancesEquivalenciesAndPathsAreRefused) {
    ASSERT_EQ(Config({"sys", "create", "NODEB"}).rc, 0);
    const struct {
        std::vector<std::string> words;
        int rc;
    } cases[] = {
                {{"net", "create", "NODEB", "/dev/ttyS0", "TTY", "2", "5", "115200"}, 2},  // above B38400
        {{"ins", "create", "app1", "typ1", "T", "id-T", "Q"}, 64},
        {{"ins", "create", "nosuch", "typ1", "T", "id-T"}, 2},
        {{"ins", "restore", "nosuch"}, 2},
        {{"-d", "NODEB", "ins", "restore", "T"}, 2},        // NODEB is not alive
        {{"-d", "NODEB", "ins", "remove", "T\x01"}, 64},  // never sent as a shell word
        {{"eqv", "create", "NODEA", "T", "NODEB", "T", "MIRROR"}, 64},
    };
    for (const auto& c : cases) {
        const ToolRun r = Config(c.words);
        std::string line;
        for (const auto& w : c.words) line += "[" + w + "]";
        EXPECT_EQ(r.rc, c.rc) << line << r.err;
    }
    EXPECT_EQ(Config({"net", "list"}).out, "");

    // A path the administrator never took (no agent) is not deleted: the
    // refusal says why, and the path stays stored.
    ASSERT_EQ(Config({"net", "create", "NODEB", "/dev/ttyS0", "TTY", "2", "5", "38400"}).rc, 1);
    const ToolRun removed = Config({"net", "remove", "NODEB", "/dev/ttyS0"});
    EXPECT_EQ(removed.rc, 2);
    EXPECT_NE(removed.err.find("the administrator holds no comm-path to \"NODEB\" over \"/dev/ttyS0\""),
              std::string::npos)
        << removed.err;
    EXPECT_NE(Config({"net", "list"}).out.find("ttyS0"), std::string::npos);
}

// A hierarchy T on M on L: created with its dependencies, restored leaves
// first by its scripts, its top removed and deleted.
TEST_F(ConfigTool, AHierarchyIsCreatedRestoredRemovedAndDeleted) {
    ASSERT_EQ(Config({"app", "create", "app1"}).rc, 0);
    ASSERT_EQ(Config({"typ", "create", "app1", "typ1"}).rc, 0);
    const std::string journal = sys.Path() + "/journal";
    // The library runs the scripts through <root>/bin/sh.exe.
    std::filesystem::create_directories(root + "/bin");
    std::filesystem::create_symlink("/bin/sh", root + "/bin/sh.exe");
    for (const char* action : {"restore", "remove"}) {
        const std::string path = root + "/subsys/app1/actions/" + std::string(action) + ".ksh";
        std::filesystem::create_directories(root + "/subsys/app1/actions");
        std::ofstream(path) << "#!/bin/sh\nwhile [ $# -gt 0 ]; do [ \"$1\" = -t ] && t=$2; shift; done\n"
                            << "echo \"" << action << " $t\" >> '" << journal << "'\n";
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    }
    for (const char* tag : {"L", "M", "T"}) ASSERT_EQ(Config({"ins", "create", "app1", "typ1", tag, std::string("id-") + tag}).rc, 0);
    ASSERT_EQ(Config({"dep", "create", "T", "M"}).rc, 0);
    ASSERT_EQ(Config({"dep", "create", "M", "L"}).rc, 0);
    EXPECT_EQ(Config({"dep", "create", "L", "T"}).rc, 2) << "a cycle";
    EXPECT_EQ(Config({"dep", "list", "T"}).out, "T M\nM L\n");
    EXPECT_EQ(Config({"ins", "state", "T"}).out, "T OSU AUTORES_ISP\nM OSU AUTORES_ISP\nL OSU AUTORES_ISP\n");

    const ToolRun restored = Config({"ins", "restore", "T"});
    ASSERT_EQ(restored.rc, 0) << restored.err;
    EXPECT_EQ(ReadFile(journal), "restore L\nrestore M\nrestore T\n");
    EXPECT_EQ(Config({"ins", "state", "T"}).out, "T ISP AUTORES_ISP\nM ISP AUTORES_ISP\nL ISP AUTORES_ISP\n");
    // The remove action takes the named instance out of service; what it
    // depends on stays.
    ASSERT_EQ(Config({"ins", "remove", "T"}).rc, 0);
    EXPECT_EQ(ReadFile(journal), "restore L\nrestore M\nrestore T\nremove T\n");
    EXPECT_EQ(Config({"ins", "state"}).out, "T OSU AUTORES_ISP\nM ISP AUTORES_ISP\nL ISP AUTORES_ISP\n");

    // A delete takes what is out of service and leaves what is in service.
    ASSERT_EQ(Config({"ins", "delete", "T"}).rc, 0);
    EXPECT_EQ(Config({"ins", "state"}).out, "M ISP AUTORES_ISP\nL ISP AUTORES_ISP\n");
    EXPECT_EQ(ReadFile(root + "/subsys/app1/resources/typ1/instances").find("id-T"), std::string::npos);
}
