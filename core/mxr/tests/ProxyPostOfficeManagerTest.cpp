// The post office proxy against the real thing: the stand-in manager
// program (hvmanager) in its own process on a fresh system directory, and
// other clients as separate processes (hvpo).
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <sys/stat.h>

#include "MxrTestSupport.h"
#include "ProcessTestSupport.h"
#include "ProxyPostOffice.h"
#include "platform/tests/TempSystemDir.h"

using namespace mxrtest;

namespace {

struct WithManager : ::testing::Test {
    hvtest::TempSystemDir sys;
    RuntimeScope scope{"NODEA", 0};
    std::unique_ptr<ManagerProcess> manager;

    void SetUp() override {
        manager = std::make_unique<ManagerProcess>(sys.Path(), "NODEA");
        ASSERT_TRUE(manager->WaitListening()) << manager->child.Err();
    }
    void TearDown() override {
        // A clean stop: the manager leaves with 0 (no leak, no crash).
        EXPECT_EQ(manager->child.Stop(), 0) << manager->child.Err();
    }

    // hvpo as another client process of this system.
    std::unique_ptr<ChildProcess> Hvpo(const std::vector<std::string>& args, int delayMs = 0) {
        std::vector<std::string> argv;
        if (delayMs > 0) {
            argv = {"/bin/sh", "-c", "sleep " + std::to_string(delayMs / 1000.0) + "; exec \"$0\" \"$@\"", PoBin()};
        } else {
            argv = {PoBin()};
        }
        argv.insert(argv.end(), args.begin(), args.end());
        const std::string base = sys.Path() + "/hvpo" + std::to_string(++children);
        return std::make_unique<ChildProcess>(argv, EnvOverrides{{"HV_SYSTEM_DIR", sys.Path()}, {"MXRHOSTNAME", "NODEA"}},
                                              base + ".out", base + ".err");
    }
    // The post office's listing, as hvpo prints it.
    std::string Listing() {
        auto list = Hvpo({"list"});
        EXPECT_EQ(list->Wait(10000), 0) << list->Err();
        return list->Out();
    }
    int children = 0;
};

const char* Name(Message::enMessageErr e) {
    static const char* names[] = {"OKAY",           "NOKAY",          "NOSUCHMBOX", "BADREQMSG", "NOMESSAGE",
                                  "SYNCHSENDFAILED", "SYNCHRCVFAILED", "INTERNALERR"};
    return e >= 0 && e <= 7 ? names[e] : "?";
}

MessagePtr Letter(const char* text) { return MessagePtr(new Message(text)); }

}  // namespace

// Every call in turn against a running post office; NODEZ is a host the
// manager cannot reach (it has no path administration), so requests for
// its post office come back as the manager's error message.
TEST_F(WithManager, EveryCallAgainstARunningPostOffice) {
    ProxyPostOffice po;
    using P = ProxyPostOffice&;
    struct Step {
        const char* what;
        Message::enMessageErr (*run)(P);
        Message::enMessageErr expect;
    };
    const Step steps[] = {
        {"create box", [](P p) { return p.CreateMailBox("box"); }, Message::OKAY},
        {"create box again", [](P p) { return p.CreateMailBox("box"); }, Message::NOSUCHMBOX},
        {"empty box", [](P p) { return p.IsMboxEmpty("box"); }, Message::OKAY},
        {"send to box", [](P p) { return p.SendToMbox("NODEA", "box", Letter("one")); }, Message::OKAY},
        {"empty box with a letter", [](P p) { return p.IsMboxEmpty("box"); }, Message::NOKAY},
        {"empty of no mailbox", [](P p) { return p.IsMboxEmpty("nobox"); }, Message::NOKAY},
        {"can talk to box", [](P p) { return p.CanTalk("NODEA", "box"); }, Message::OKAY},
        {"can talk to the probe mailbox", [](P p) { return p.CanTalk("NODEA", "_CaN_tAlK_"); }, Message::OKAY},
        {"can talk to the host", [](P p) { return p.CanTalk("NODEA", ""); }, Message::OKAY},
        {"can talk to no mailbox", [](P p) { return p.CanTalk("NODEA", "nobox"); }, Message::NOKAY},
        {"can talk to an unreachable host", [](P p) { return p.CanTalk("NODEZ", "box"); }, Message::BADREQMSG},
        {"send to an unreachable host", [](P p) { return p.SendToMbox("NODEZ", "box", Letter("x")); },
         Message::SYNCHSENDFAILED},
        {"send to no mailbox", [](P p) { return p.SendToMbox("NODEA", "nobox", Letter("x")); },
         Message::SYNCHSENDFAILED},
        {"this host alive", [](P p) { return p.IsHostAlive("NODEA"); }, Message::OKAY},
        {"another host alive", [](P p) { return p.IsHostAlive("NODEZ"); }, Message::NOKAY},
        {"remove box", [](P p) { return p.RemoveMailBox("box"); }, Message::OKAY},
        {"remove box again", [](P p) { return p.RemoveMailBox("box"); }, Message::OKAY},
        {"empty of the removed box", [](P p) { return p.IsMboxEmpty("box"); }, Message::NOKAY},
    };
    for (const Step& s : steps) EXPECT_STREQ(Name(s.run(po)), Name(s.expect)) << s.what;

    ASSERT_EQ(po.CreateMailBox("box"), Message::OKAY);
    MessagePtr letter = Letter("with reply-to");
    letter->SetReplyToSys("NODEA");
    letter->SetReplyToMbox("answers");
    letter->SetLastErr(Message::SYNCHRCVFAILED);
    ASSERT_EQ(po.SendToMbox("NODEA", "box", letter), Message::OKAY);
    const MessagePtr got = po.RcvFromMbox("box", 0);
    EXPECT_EQ(got->GetLastErr(), Message::OKAY);
    EXPECT_EQ(got->GetDataStr(), bStr("with reply-to"));
    EXPECT_EQ(got->GetReplyToSys(), bStr("NODEA"));
    EXPECT_EQ(got->GetReplyToMbox(), bStr("answers"));
    const MessagePtr none = po.RcvFromMbox("nobox", 0);
    EXPECT_EQ(none->GetLastErr(), Message::NOSUCHMBOX);
    EXPECT_EQ(none->GetDataStr(), bStr(""));
}

// A one-way send that the manager cannot deliver gets no answer onto the
// connection (it carries no return address), so the calls after it read
// their own answers: before, the first of them read the error message and
// failed, and each later one read its predecessor's answer.
TEST_F(WithManager, AnUndeliverableOneWaySendLeavesTheNextAnswersInPlace) {
    ProxyPostOffice po;
    EXPECT_EQ(po.SendToMboxAsynch("NODEZ", "box", Letter("lost")), Message::OKAY);
    EXPECT_EQ(po.SendToMboxAsynch("NODEA", "nobox", Letter("dropped")), Message::OKAY);
    EXPECT_EQ(po.CreateMailBox("a"), Message::OKAY);
    EXPECT_EQ(po.CreateMailBox("a"), Message::NOSUCHMBOX);
    EXPECT_EQ(po.IsMboxEmpty("a"), Message::OKAY);
    // A deliverable one arrives.
    EXPECT_EQ(po.SendToMboxAsynch("NODEA", "a", Letter("kept")), Message::OKAY);
    EXPECT_EQ(po.IsMboxEmpty("a"), Message::NOKAY);
    EXPECT_EQ(po.RcvFromMbox("a", 0)->GetDataStr(), bStr("kept"));
}

// A receive tied to a host that cannot be reached is answered at once when
// the mailbox is empty; a letter already there is still handed out.
TEST_F(WithManager, AReceiveTiedToAnUnreachableHostIsAnsweredAtOnce) {
    ProxyPostOffice po;
    ASSERT_EQ(po.CreateMailBox("box"), Message::OKAY);
    const MessagePtr none = po.RcvFromHostMbox("NODEZ", "box");
    EXPECT_EQ(none->GetLastErr(), Message::SYNCHRCVFAILED);
    ASSERT_EQ(po.SendToMbox("NODEA", "box", Letter("waiting")), Message::OKAY);
    const MessagePtr got = po.RcvFromHostMbox("NODEZ", "box");
    EXPECT_EQ(got->GetLastErr(), Message::OKAY);
    EXPECT_EQ(got->GetDataStr(), bStr("waiting"));
    EXPECT_EQ(po.RcvFromHostMbox("NODEZ", "nobox")->GetLastErr(), Message::NOSUCHMBOX);
}

// A receive waits in the post office until another process sends; both
// ways round: another process waits for this one, this one for another.
TEST_F(WithManager, AWaitingReceiveIsReleasedByASendFromAnotherProcess) {
    ProxyPostOffice po;
    ASSERT_EQ(po.CreateMailBox("box"), Message::OKAY);
    auto receiver = Hvpo({"receive", "box"});
    ASSERT_TRUE(WaitUntil([&] { return Listing().find("box: 0 msg(s), 1 req(s)") != std::string::npos; }))
        << Listing();
    EXPECT_TRUE(receiver->Running());
    ASSERT_EQ(po.SendToMbox("NODEA", "box", Letter("wake up")), Message::OKAY);
    EXPECT_EQ(receiver->Wait(10000), 0) << receiver->Err();
    EXPECT_EQ(receiver->Out(), "wake up\n");

    auto sender = Hvpo({"send", "box", "your turn"}, 300);
    const MessagePtr got = po.RcvFromMbox("box", 0);
    EXPECT_EQ(got->GetLastErr(), Message::OKAY);
    EXPECT_EQ(got->GetDataStr(), bStr("your turn"));
    EXPECT_EQ(sender->Wait(10000), 0) << sender->Err();
}

// The command-line client's results and exit codes, one process per call.
TEST_F(WithManager, CommandLineClientExitCodes) {
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* out;
    };
    const Case cases[] = {
        {{"create", "box"}, 0, ""},
        {{"create", "box"}, 2, ""},
        {{"empty", "box"}, 0, ""},
        {{"send", "box", "hello there"}, 0, ""},
        {{"send", "-a", "box", "second"}, 0, ""},
        {{"empty", "box"}, 1, ""},
        {{"can-talk", "box"}, 0, ""},
        {{"can-talk", "-h", "NODEZ", "box"}, 3, ""},
        {{"send", "-h", "NODEZ", "box", "x"}, 5, ""},
        {{"alive", "NODEA"}, 0, ""},
        {{"alive", "NODEZ"}, 1, ""},
        {{"receive", "box"}, 0, "hello there\n"},
        {{"receive", "-h", "NODEZ", "box"}, 0, "second\n"},
        {{"receive", "-h", "NODEZ", "box"}, 6, ""},
        {{"receive", "nobox"}, 2, ""},
        {{"remove", "box"}, 0, ""},
        {{"create", ""}, 64, ""},
        {{"send", "box"}, 64, ""},
        {{"frobnicate"}, 64, ""},
        {{"-w", "x", "list"}, 64, ""},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const std::string& a : c.args) line += "[" + a + "]";
        SCOPED_TRACE(line);
        auto p = Hvpo(c.args);
        EXPECT_EQ(p->Wait(10000), c.status) << p->Err();
        EXPECT_EQ(p->Out(), c.out);
    }
    EXPECT_EQ(Listing(), "There are 1 mailboxe(s)\n_CaN_tAlK_: 0 msg(s), 0 req(s)\n");
}

namespace {

struct WithoutManager : ::testing::Test {
    hvtest::TempSystemDir sys;
    RuntimeScope scope{"NODEA", 0};
};

}  // namespace

// A client made before the manager runs keeps trying (every 2 s) and is
// connected soon after the manager starts listening.
TEST_F(WithoutManager, AClientStartedFirstConnectsOnceTheManagerListens) {
    const auto start = std::chrono::steady_clock::now();
    ManagerProcess manager(sys.Path(), "NODEA", 1500);
    {
        ProxyPostOffice po;  // returns once connected
        const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        RecordProperty("connected_after_ms", static_cast<int>(secs * 1000));
        EXPECT_TRUE(manager.child.Out().find("listening") != std::string::npos);
        EXPECT_EQ(po.CanTalk("NODEA", "_CaN_tAlK_"), Message::OKAY);
    }
    EXPECT_EQ(manager.child.Stop(), 0);
    // Without a manager, a command-line client gives up when asked to.
    ChildProcess hvpo({PoBin(), "-w", "0.2", "list"}, {{"HV_SYSTEM_DIR", sys.Path()}}, sys.Path() + "/o",
                      sys.Path() + "/e");
    EXPECT_EQ(hvpo.Wait(10000), 8);
    EXPECT_NE(hvpo.Err().find("no communication manager answered"), std::string::npos) << hvpo.Err();
}

// A manager on a system directory where another one listens gives up, with
// the C library's text for the pipe it could not make.
TEST_F(WithManager, ASecondManagerOnTheSameSystemDirectoryGivesUp) {
    ChildProcess again({ManagerBin()}, {{"HV_SYSTEM_DIR", sys.Path()}, {"MXRHOSTNAME", "NODEA"}},
                       sys.Path() + "/m2.out", sys.Path() + "/m2.err");
    EXPECT_EQ(again.Wait(10000), 2);
    EXPECT_NE(again.Err().find("CreateNamedPipe: control pipe: Address already in use\n"), std::string::npos)
        << again.Err();
    EXPECT_NE(again.Out().find("MxrPipeName: \\\\.\\PIPE\\mxr_pipe\n"), std::string::npos) << again.Out();
    ProxyPostOffice po;
    EXPECT_EQ(po.IsHostAlive("NODEA"), Message::OKAY);
}

// Two simulated systems on one machine: each with its own system directory,
// host name and manager. Their clients reach only their own post office,
// and both exchange at the same time.
TEST_F(WithoutManager, TwoSystemsSideBySide) {
    const std::string dirA = sys.Path() + "/a", dirB = sys.Path() + "/b";
    ASSERT_EQ(::mkdir(dirA.c_str(), 0770), 0);
    ASSERT_EQ(::mkdir(dirB.c_str(), 0770), 0);
    ManagerProcess alpha(dirA, "ALPHA"), bravo(dirB, "BRAVO");
    ASSERT_TRUE(alpha.WaitListening()) << alpha.child.Err();
    ASSERT_TRUE(bravo.WaitListening()) << bravo.child.Err();
    int n = 0;
    auto client = [&](const std::string& dir, const std::string& host, std::vector<std::string> args) {
        args.insert(args.begin(), PoBin());
        const std::string base = sys.Path() + "/c" + std::to_string(++n);
        return std::make_unique<ChildProcess>(args, EnvOverrides{{"HV_SYSTEM_DIR", dir}, {"MXRHOSTNAME", host}},
                                              base + ".out", base + ".err");
    };
    auto run = [&](const std::string& dir, const std::string& host, std::vector<std::string> args) {
        auto c = client(dir, host, std::move(args));
        const int rc = c->Wait(10000);
        return std::make_pair(rc, c->Out());
    };
    EXPECT_EQ(run(dirA, "ALPHA", {"create", "onlyA"}).first, 0);
    EXPECT_EQ(run(dirB, "BRAVO", {"create", "onlyB"}).first, 0);
    EXPECT_EQ(run(dirA, "ALPHA", {"can-talk", "onlyB"}).first, 1);
    EXPECT_EQ(run(dirB, "BRAVO", {"can-talk", "onlyA"}).first, 1);
    // Nothing connects the two managers: the other system is not reachable.
    EXPECT_EQ(run(dirB, "BRAVO", {"can-talk", "-h", "ALPHA", "onlyA"}).first, 3);
    EXPECT_EQ(run(dirA, "ALPHA", {"alive", "BRAVO"}).first, 1);
    EXPECT_EQ(run(dirA, "ALPHA", {"list"}).second,
              "There are 2 mailboxe(s)\n_CaN_tAlK_: 0 msg(s), 0 req(s)\nonlyA: 0 msg(s), 0 req(s)\n");

    // The same mailbox name on both, receivers and senders of both at once.
    EXPECT_EQ(run(dirA, "ALPHA", {"create", "inbox"}).first, 0);
    EXPECT_EQ(run(dirB, "BRAVO", {"create", "inbox"}).first, 0);
    auto rA = client(dirA, "ALPHA", {"receive", "inbox"});
    auto rB = client(dirB, "BRAVO", {"receive", "inbox"});
    auto sA = client(dirA, "ALPHA", {"send", "inbox", "for alpha"});
    auto sB = client(dirB, "BRAVO", {"send", "inbox", "for bravo"});
    EXPECT_EQ(sA->Wait(10000), 0) << sA->Err();
    EXPECT_EQ(sB->Wait(10000), 0) << sB->Err();
    EXPECT_EQ(rA->Wait(10000), 0) << rA->Err();
    EXPECT_EQ(rB->Wait(10000), 0) << rB->Err();
    EXPECT_EQ(rA->Out(), "for alpha\n");
    EXPECT_EQ(rB->Out(), "for bravo\n");
    EXPECT_EQ(alpha.child.Stop(), 0) << alpha.child.Err();
    EXPECT_EQ(bravo.child.Stop(), 0) << bravo.child.Err();
}
