// Two systems on one machine, joined by a serial path over the line
// simulator: each with its own system directory and host name, its manager
// (hvmanager), its serial agent (ttyagent -t -i 1 -k 3) and a path watcher
// (hvpo watch); the path made on each side with hvpo create-path. Then the
// path under the simulator's faults.
#include <gtest/gtest.h>

#include <functional>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "../../tests/ProcessTestSupport.h"
#include "TTYLineSim.h"
#include "platform/tests/TempSystemDir.h"

using namespace mxrtest;

namespace {

const char* AgentBin() { return HV_TTYAGENT_BIN; }

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

struct System {
    hvtest::TempSystemDir sys;
    std::string host;
    std::unique_ptr<ManagerProcess> manager;
    std::unique_ptr<ChildProcess> agent;
    std::unique_ptr<ChildProcess> watch;

    explicit System(const std::string& h) : host(h) {}
    EnvOverrides Env() const { return {{"HV_SYSTEM_DIR", sys.Path()}, {"MXRHOSTNAME", host}}; }
    void Start() {
        manager = std::make_unique<ManagerProcess>(sys.Path(), host);
        ASSERT_TRUE(manager->WaitListening()) << manager->child.Err();
        agent = std::make_unique<ChildProcess>(std::vector<std::string>{AgentBin(), "-t", "-i", "1", "-k", "3"}, Env(),
                                               sys.Path() + "/agent.out", sys.Path() + "/agent.err");
        ASSERT_TRUE(WaitUntil([&] { return AgentOut().find("retVal(tagNum)=") != std::string::npos; }))
            << AgentOut() << agent->Err();
        watch = std::make_unique<ChildProcess>(std::vector<std::string>{PoBin(), "watch"}, Env(),
                                               sys.Path() + "/watch.out", sys.Path() + "/watch.err");
        ASSERT_TRUE(WaitUntil([&] { return watch->Out().find("watching") != std::string::npos; })) << watch->Err();
    }
    // hvpo with these words; its exit code (its output in *out).
    int Hvpo(const std::vector<std::string>& words, std::string* out = nullptr) {
        std::vector<std::string> argv{PoBin()};
        argv.insert(argv.end(), words.begin(), words.end());
        static int n = 0;
        const std::string base = sys.Path() + "/hvpo" + std::to_string(++n);
        ChildProcess po(argv, Env(), base + ".out", base + ".err");
        const int rc = po.Wait(20000);
        if (out != nullptr) *out = po.Out();
        return rc;
    }
    std::string AgentOut() const { return agent ? agent->Out() : ""; }
    std::string AgentErr() const { return agent ? agent->Err() : ""; }
    std::string Events() const { return watch ? watch->Out() : ""; }
    int Alive() const { return Count(Events(), " ALIVE\n"); }
    int Dead() const { return Count(Events(), " DEAD\n"); }
    int Registrations() const { return Count(AgentOut(), "with the manager (PipeRegMsg)"); }
    void Stop() {
        if (watch) watch->Stop();
        if (agent) agent->Stop();
        manager.reset();
    }
};

struct SerialTwoSystems : ::testing::Test {
    hvtest::TempSystemDir simDir;
    std::unique_ptr<ttytest::LineSim> sim;
    System a{"NODEA"};
    System b{"NODEB"};

    void SetUp() override {
        sim = std::make_unique<ttytest::LineSim>(simDir.Path());
        ASSERT_TRUE(sim->ready);
        a.Start();
        b.Start();
    }
    void TearDown() override {
        a.Stop();
        b.Stop();
        sim.reset();
    }
    // The path on both sides: A's port open first, then B's.
    void MakePath() {
        ASSERT_EQ(a.Hvpo({"create-path", "-k", "TTY", "-i", "1", "-m", "3", "-b", "115200", "NODEB", "NODEA", "NODEB",
                          sim->A()}),
                  0);
        ASSERT_TRUE(WaitUntil([&] { return a.AgentErr().find("open successful") != std::string::npos; }));
        ASSERT_EQ(b.Hvpo({"create-path", "-k", "TTY", "-i", "1", "-m", "3", "-b", "115200", "NODEA", "NODEB", "NODEA",
                          sim->B()}),
                  0);
    }
    bool BothAlive(int times, int timeoutMs) {
        return WaitUntil([&] { return a.Alive() >= times && b.Alive() >= times; }, timeoutMs);
    }
    // A text of n bytes sent from A to mailbox MB of B; what B received.
    // beforeSend runs once the mailbox is there, just before A sends.
    std::string Cross(std::size_t n, char seed, const std::function<void()>& beforeSend = {}) {
        EXPECT_EQ(b.Hvpo({"create", "MB"}), 0);
        if (beforeSend) beforeSend();
        std::string text;
        for (std::size_t i = 0; i < n; ++i) text.push_back(static_cast<char>(seed + i % 26));
        EXPECT_EQ(a.Hvpo({"send", "-h", "NODEB", "MB", text}), 0);
        std::string got;
        EXPECT_EQ(b.Hvpo({"receive", "MB"}, &got), 0);
        if (!got.empty() && got.back() == '\n') got.pop_back();
        EXPECT_EQ(b.Hvpo({"empty", "MB"}), 0);  // once only
        return got == text ? "intact" : "damaged: " + std::to_string(got.size()) + " bytes";
    }
};

}  // namespace

TEST_F(SerialTwoSystems, ThePathComesUpOnBothSidesAndCarriesA5KBMessageIntact) {
    MakePath();
    EXPECT_TRUE(BothAlive(1, 3000)) << a.Events() << b.Events();
    std::string out;
    EXPECT_EQ(a.Hvpo({"host-up", "NODEB"}, &out), 0) << out;
    EXPECT_EQ(Cross(5000, 'A'), "intact");
    EXPECT_EQ(a.Registrations(), 1);
    EXPECT_EQ(b.Registrations(), 1);
}

TEST_F(SerialTwoSystems, AFlippedByteIsRefusedResentAndDeliveredOnce) {
    MakePath();
    ASSERT_TRUE(BothAlive(1, 3000));
    // The next frames from A, armed just before the send: among them the
    // message's, whatever heartbeats and acknowledgements go first (frames
    // shorter than the offset pass untouched). Six flips stay below the
    // sender's ten tries of one packet.
    EXPECT_EQ(Cross(2000, 'a',
                    [&] {
                        for (int n = 1; n <= 6; ++n)
                            ASSERT_EQ(sim->Do("flip ab frame " + std::to_string(n) + " 40"), "ok");
                    }),
              "intact");
    // The agent's line may reach its log a little after the message.
    EXPECT_TRUE(WaitUntil([&] { return Count(a.AgentOut(), "Got a NACK") >= 1; }, 5000)) << a.AgentOut();
    EXPECT_EQ(a.Dead() + b.Dead(), 0);
}

TEST_F(SerialTwoSystems, ALostAckOfTheFirstInitNeitherKillsThePathNorRegistersTwice) {
    // B's first frames: its PipeInitMsg, then the ACK of A's (which was
    // waiting on the line when B opened).
    ASSERT_EQ(sim->Do("drop ba frame 2"), "ok");
    MakePath();
    ASSERT_TRUE(BothAlive(1, 3000)) << a.Events() << b.Events();
    // A writes its PipeInitMsg again after 15 s; B only answers it.
    ASSERT_TRUE(WaitUntil([&] { return Count(a.AgentOut(), "Trying to send msg again") >= 1; }, 20000));
    ASSERT_TRUE(WaitUntil([&] { return b.AgentOut().find("received again: a retransmission") != std::string::npos ||
                                       b.AgentOut().find("Duplicate of delivered") != std::string::npos; },
                          5000))
        << b.AgentOut();
    EXPECT_EQ(a.Dead() + b.Dead(), 0) << a.Events() << b.Events();
    EXPECT_EQ(a.Registrations(), 1);
    EXPECT_EQ(b.Registrations(), 1);
    EXPECT_EQ(a.Alive(), 1);
    EXPECT_EQ(b.Alive(), 1);
}

TEST_F(SerialTwoSystems, APausedLineGoesDeadAndComesBackWithOneRegistration) {
    MakePath();
    ASSERT_TRUE(BothAlive(1, 3000));
    ASSERT_EQ(sim->Do("pause ab"), "ok");
    ASSERT_EQ(sim->Do("pause ba"), "ok");
    // hbInterval x hbMaxMiss + 1 s.
    EXPECT_TRUE(WaitUntil([&] { return a.Dead() == 1 && b.Dead() == 1; }, 4000)) << a.Events() << b.Events();
    ASSERT_EQ(sim->Do("resume ab"), "ok");
    ASSERT_EQ(sim->Do("resume ba"), "ok");
    EXPECT_TRUE(BothAlive(2, 5000)) << a.Events() << b.Events();
    EXPECT_EQ(a.Registrations(), 2);
    EXPECT_EQ(b.Registrations(), 2);
    EXPECT_EQ(Cross(100, 'k'), "intact");
}

TEST_F(SerialTwoSystems, RecreatedPtysAreOpenedAgainAndTheDeletedPathClosedForGood) {
    MakePath();
    ASSERT_TRUE(BothAlive(1, 3000));
    ASSERT_EQ(sim->Do("recreate"), "ok");
    EXPECT_TRUE(WaitUntil([&] { return Count(a.AgentErr(), "open successful") == 2 && Count(b.AgentErr(), "open successful") == 2; },
                          16000))
        << a.AgentErr() << b.AgentErr();
    EXPECT_TRUE(BothAlive(2, 5000)) << a.Events() << b.Events();
    EXPECT_EQ(Cross(300, 'r'), "intact");
    // Deleted: the port is closed and never opened again.
    const std::string device = std::filesystem::read_symlink(sim->A()).string();
    auto holds = [&](pid_t pid) {
        std::error_code ec;
        for (const auto& fd : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec))
            if (std::filesystem::read_symlink(fd.path(), ec).string() == device) return true;
        return false;
    };
    ASSERT_TRUE(holds(a.agent->Pid()));
    EXPECT_EQ(a.Hvpo({"delete-path", "-k", "TTY", "NODEB", "NODEA", "NODEB", sim->A()}), 0);
    EXPECT_TRUE(WaitUntil([&] { return !holds(a.agent->Pid()); }, 3000));
    ASSERT_EQ(sim->Do("recreate"), "ok");
    EXPECT_TRUE(WaitUntil([&] { return Count(b.AgentErr(), "open successful") == 3; }, 16000));
    EXPECT_EQ(Count(a.AgentErr(), "open successful"), 2);
}
