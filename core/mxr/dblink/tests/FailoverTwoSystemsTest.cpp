// Failover between two systems, each in a network namespace of its own with
// the daemon stand-in, the manager with its database link and a link-mode
// stub agent. A SHARED hierarchy (T on S, S shared) has its primary on
// NODEA. The action scripts of both systems append "<system> <action>
// <arguments>" to one journal and keep an owner marker for each resource
// that both can see: a restore fails while the other system's owner is
// alive. Needs root (namespaces); skipped elsewhere.
#include "FailoverClients.h"
#include "NetnsDbPair.h"
#include "OwnerScripts.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

using namespace mxrtest;

namespace {

using linktest::DbSystem;
using ownertest::ActionScript;

struct Failover : linktest::NetnsDbPair {
    void SetUp() override {
        MakePair("hf", "233");
        if (IsSkipped() || HasFatalFailure()) return;
        namespace fs = std::filesystem;
        for (DbSystem* s : {&a, &b}) {
            const bool primary = s == &a;
            fs::create_directories(s->root + "/subsys/app1/actions");
            fs::create_directories(s->root + "/subsys/app1/resources/typ1");
            fs::create_directories(s->root + "/subsys/app1/resources/typ2");
            std::ofstream(s->root + "/config/equivalencies") << "NODEA\x01" "S\x01" "NODEB\x01" "S\x01" "S\n";
            const char init = primary ? 'A' : 'E';
            std::ofstream(s->root + "/subsys/app1/resources/typ1/instances")
                << "T\x01" "id-T\x01" << init << "\x01\x01u\x01\x01" "0\x01" "0\x01" "0\x01\x01S\n";
            std::ofstream(s->root + "/subsys/app1/resources/typ2/instances")
                << "S\x01" "id-S\x01" << init << "\x01\x01u\x01\x01" "0\x01" "0\x01" "0\x01\n";
            for (const char* action : {"restore", "remove"}) {
                const std::string path = s->root + "/subsys/app1/actions/" + action + ".ksh";
                std::ofstream(path) << ActionScript(sys.Path(), s->host, action);
                fs::permissions(path, fs::perms::owner_all);
            }
        }
    }
    void TearDown() override {
        KillAll(a);
        KillAll(b);
        NetnsDbPair::TearDown();
    }
    // Every process in s's namespace, and the keepers of its claims (a
    // client's restore runs its scripts outside the namespace).
    void KillAll(const DbSystem& s) {
        if (!made) return;
        std::string pids = ReadCommand(ip + " netns pids " + s.ns);
        for (const char* t : {"S", "T"}) {
            std::istringstream owner(ReadFile(sys.Path() + "/owner." + t));
            std::string who, pid;
            if (owner >> who >> pid && who == s.host) pids += " " + pid;
        }
        std::istringstream in(pids);
        for (long pid; in >> pid;) ::kill(static_cast<pid_t>(pid), SIGKILL);
        for (auto& p : procs) p->Running();  // reaps the killed children
    }
    static std::string ReadCommand(const std::string& cmd) {
        std::string out;
        if (FILE* f = ::popen(cmd.c_str(), "r")) {
            char buf[4096];
            for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) out.append(buf, n);
            ::pclose(f);
        }
        return out;
    }
    // The daemon, the manager and the agent of s; true once the agent has
    // registered.
    bool StartSystem(const DbSystem& s) {
        ChildProcess& daemon = Run(s, {HV_QDB_BIN});
        Run(s, {HV_MXRCFGSTORE_BIN});
        if (!WaitLines(daemon, "qdb: serving", 1, 20000)) return false;
        ChildProcess& agent = Run(s, {HV_STUB_AGENT_BIN, "-l", s.host});
        return WaitLines(agent, "registered", 1, 10000);
    }
    // Each side sees the other alive (the first connect may have failed once).
    bool BothAlive() {
        const std::vector<std::string> up{"A ALIVE/0 0", "A ALIVE/1 0"};
        const std::string sa = linktest::WaitPathSummary(a.Env(), "NODEB", {b.addr + ":7700"}, up, 15000);
        const std::string sb = linktest::WaitPathSummary(b.Env(), "NODEA", {a.addr + ":7700"}, up, 15000);
        return sa.substr(0, 1) == "A" && sb.substr(0, 1) == "A";
    }
    std::string Journal() { return ReadFile(sys.Path() + "/journal"); }
    std::string WaitStates(const DbSystem& s, const std::string& want, int ms) {
        return failovertest::WaitStates(s.Env(), want, ms);
    }
    std::string Restore(const DbSystem& s, const char* tag, const char* args) {
        return failovertest::Restore(s.Env(), tag, args);
    }
};

}  // namespace

TEST_F(Failover, ASurvivorRestoresTheHierarchyOfADeadSystemLeavesFirstAndNeverTwoOwners) {
    ASSERT_TRUE(StartSystem(a));
    ASSERT_TRUE(StartSystem(b));

    // In service on the primary, leaves first, while B cannot be reached
    // yet: A checks its copy of B ("-R") instead of asking B.
    EXPECT_EQ(Restore(a, "T", "-R"), "0");
    EXPECT_EQ(WaitStates(a, "S=ISP/AUTORES_ISP,T=ISP/AUTORES_ISP", 5000), "S=ISP/AUTORES_ISP,T=ISP/AUTORES_ISP");
    EXPECT_EQ(Journal(), "NODEA restore -R -t S -i id-S\nNODEA restore -R -t T -i id-T\n");

    // The paths come up once both agents are there.
    ASSERT_EQ(linktest::CreatePathsAndSync(a.Env(), "NODEB", {b.addr + ":7700"}), "00");
    ASSERT_EQ(linktest::CreatePathsAndSync(b.Env(), "NODEA", {a.addr + ":7700"}), "00");
    ASSERT_TRUE(BothAlive());

    // Every process of A dies: within the heartbeat time-out (1 s x 2) and
    // 10 s, B has A dead, the comm-down flag and event, and its restore
    // ("-R": the copy of a lost system counts as unknown).
    KillAll(a);
    EXPECT_EQ(linktest::WaitPathSummary(b.Env(), "NODEA", {a.addr + ":7700"}, {"D DEAD/1 1", "D DEAD/2 1"},
                                        12000)
                  .substr(0, 1),
              "D");
    EXPECT_EQ(WaitStates(b, "S=ISP/AUTOSEC_ISP,T=ISP/AUTOSEC_ISP", 12000), "S=ISP/AUTOSEC_ISP,T=ISP/AUTOSEC_ISP");
    const std::string log = ReadFile(b.root + "/out/MXR");
    EXPECT_NE(log.find("sendevent -C holdervane -E comm_down -s1 -m HV:MXR -O" + b.root + "/out/MXR -nNODEA -d"),
              std::string::npos)
        << log;
    EXPECT_EQ(Journal(), "NODEA restore -R -t S -i id-S\nNODEA restore -R -t T -i id-T\n"
                         "NODEB restore -R -t S -i id-S\nNODEB restore -R -t T -i id-T\n");
    EXPECT_EQ(Journal().find("REFUSED"), std::string::npos);
}
