// The path administrator in a manager world: what the agents' reports do to
// a path and which events they raise, registration (records, tags, restarted
// and vanished agents), liveness, and how an event reaches the post office
// and the listeners.
#include <gtest/gtest.h>

#include "AdminWorld.h"
#include "MxrAdminDeleteCommAgentReqMsg.h"
#include "MxrAdminIsAnyCommPathToHostUpReqMsg.h"

using namespace mxrtest;
using CAT = CommAgentEnt;

namespace {

// Agent tag 1 (pid 100, TLI, alias NODEA) serving one path to NODEB (remote
// alias NODEB, device eth0) in the given state, and a listener.
void OnePath(AdminWorld& w, int hb, int conn) {
    w.Register("agent", 100, "NODEA", CAT::TLI);
    w.CreatePath("NODEB", "NODEA", "NODEB", CAT::TLI);
    DestHostEntLstIter it(AdminWorld::Agent(1)->GetCommPathLst());
    DestHostEntPtr p = it.First();
    ASSERT_NE(p.GetPtr(), nullptr);
    p->SetHbStatus(static_cast<PipeHead::HeartBeatStatus>(hb));
    p->SetConnectionStatus(static_cast<DestHostEnt::ConnectionStatus>(conn));
    w.Listen();
    w.Take();
}

enum Report { STATUS, OUTCONN, DISC };

const int N = PipeHead::NONE, I = PipeHead::INITIALIZING, A = PipeHead::ALIVE, D = PipeHead::DEAD;

}  // namespace

// Each report against a path in a given state: the path's heartbeat and
// connection afterwards, and what the listener was sent.
TEST(Admin, ReportTable) {
    struct Case {
        const char* what;
        int hb, conn;
        Report report;
        int value;
        const char* after;
        AdminLog sent;
    };
    const Case cases[] = {
        {"ALIVE before the connection", N, I, STATUS, A, "ALIVE/INITIALIZING", {}},
        {"ALIVE with the connection up", D, A, STATUS, A, "ALIVE/ALIVE", {"notice NODEB NODEB eth0 ALIVE"}},
        {"DEAD with the connection up", A, A, STATUS, D, "DEAD/ALIVE", {"notice NODEB NODEB eth0 DEAD"}},
        {"DEAD with the connection down", D, D, STATUS, D, "DEAD/DEAD", {"notice NODEB NODEB eth0 DEAD"}},
        {"INITIALIZING is only written", A, A, STATUS, I, "ALIVE/ALIVE", {}},
        {"NONE is only written", D, I, STATUS, N, "DEAD/INITIALIZING", {}},
        {"out of range is only written", A, I, STATUS, 9, "ALIVE/INITIALIZING", {}},
        {"outgoing done, heartbeat up", A, I, OUTCONN, D, "ALIVE/ALIVE", {"notice NODEB NODEB eth0 ALIVE"}},
        {"outgoing done, incoming ALIVE", N, I, OUTCONN, A, "ALIVE/ALIVE", {"notice NODEB NODEB eth0 ALIVE"}},
        {"outgoing done, incoming INITIALIZING", D, D, OUTCONN, I, "INITIALIZING/ALIVE", {}},
        {"outgoing done, incoming DEAD", N, I, OUTCONN, D, "DEAD/ALIVE", {}},
        {"outgoing done, incoming NONE", I, I, OUTCONN, N, "NONE/ALIVE", {}},
        {"outgoing done, incoming out of range", N, I, OUTCONN, 7, "NONE/ALIVE", {}},
        {"disconnected", A, A, DISC, 0, "ALIVE/DEAD", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AdminWorld w;
        OnePath(w, c.hb, c.conn);
        std::string err;
        if (c.report == STATUS)
            err = w.Status(1, "NODEB", c.value);
        else if (c.report == OUTCONN)
            err = w.OutConn(1, "NODEB", c.value);
        else
            err = w.Disconnected(1, "NODEB");
        EXPECT_EQ(AdminWorld::PathState(1, "NODEB"), c.after);
        EXPECT_EQ(w.Take(), c.sent);
        if (c.report == STATUS && c.value != A && c.value != D) {
            EXPECT_NE(err.find("MxrAdmin::ReportCommPathStatus(): hbStatus=" + std::to_string(c.value) + "\n"),
                      std::string::npos)
                << err;
        }
    }
}

// Events follow every qualifying report, not only changes; the texts.
TEST(Admin, EventsAreNotEdgeTriggeredAndReportsSayWhatTheyDo) {
    AdminWorld w;
    OnePath(w, A, A);
    std::string err = w.Status(1, "NODEB", D);
    EXPECT_EQ(err,
              "MxrAdmin::ReportCommPathStatus() commAgentTag=1 remAlias=NODEB hbStatus=3\n"
              "POSSIBLY A COMMDOWN EVENT HERE!!\n");
    w.Status(1, "NODEB", D);
    EXPECT_EQ(w.Take(), (AdminLog{"notice NODEB NODEB eth0 DEAD", "notice NODEB NODEB eth0 DEAD"}));

    // A disconnected connection keeps a later ALIVE heartbeat quiet.
    ::testing::internal::CaptureStdout();
    w.Disconnected(1, "NODEB");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "MxrAdmin::ReportDisconnected() commAgentTag=1 remAlias=NODEB\n");
    w.Status(1, "NODEB", A);
    EXPECT_TRUE(w.Take().empty());
    EXPECT_EQ(w.OutConn(1, "NODEB", D),
              "MxrAdmin::ReportOutConnComplete() commAgentTag=1 remAlias=NODEB inHBStatus=3\n"
              "POSSIBLY A COMMUP EVENT HERE!!\n");
    EXPECT_EQ(w.Take(), AdminLog{"notice NODEB NODEB eth0 ALIVE"});

    // Unknown agents and paths change nothing.
    EXPECT_NE(w.Status(7, "NODEB", D).find("ERROR: MxrAdmin::ReportCommPathStatus(): didn't find comm agent\n"),
              std::string::npos);
    EXPECT_NE(w.Status(1, "NODEC", D)
                  .find("ERROR: MxrAdmin::ReportCommPathStatus(): didn't find host NODEC - OK ignore the message\n"),
              std::string::npos);
    EXPECT_NE(w.Status(1, "NODEB", D, "eth1").find("didn't find host NODEB - OK ignore the message\n"),
              std::string::npos);
    EXPECT_NE(w.OutConn(7, "NODEB", A).find("ERROR: MxrAdmin::ReportOutConnComplete(): didn't find comm agent\n"),
              std::string::npos);
    EXPECT_NE(w.OutConn(1, "NODEC", A).find("ERROR: MxrAdmin::ReportOutConnComplete(): didn't find host NODEC\n"),
              std::string::npos);
    ::testing::internal::CaptureStdout();
    EXPECT_NE(w.Disconnected(7, "NODEB").find("ERROR: MxrAdmin::ReportDisconnected(): didn't find comm agent\n"),
              std::string::npos);
    EXPECT_NE(w.Disconnected(1, "NODEC").find("ERROR: MxrAdmin::ReportDisconnected(): didn't find host NODEC\n"),
              std::string::npos);
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(AdminWorld::PathState(1, "NODEB"), "ALIVE/ALIVE");
    EXPECT_TRUE(w.Take().empty());
}

// Two events queued before either is delivered keep their own values, and a
// listener registered twice hears each event twice.
TEST(Admin, EachEventSendsItsOwnNotices) {
    AdminWorld w;
    OnePath(w, A, A);
    w.Listen();
    ::testing::internal::CaptureStderr();
    w.Admin().ReportCommPathEvent(bStr("NODEA"), bStr("eth0"), CAT::TLI, bStr("NODEB"), bStr("NODEB"), PipeHead::DEAD);
    w.Admin().ReportCommPathEvent(bStr("NODEA"), bStr("eth1"), CAT::TLI, bStr("NODEC"), bStr("NODEC"), PipeHead::ALIVE);
    w.Drain();
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(w.Take(), (AdminLog{"notice NODEB NODEB eth0 DEAD", "notice NODEB NODEB eth0 DEAD",
                                  "notice NODEC NODEC eth1 ALIVE", "notice NODEC NODEC eth1 ALIVE"}));
    // The templates stay as they were registered.
    CommPathStatusMsgLstIter it(w.Admin().GetCommMsgLst());
    for (CommPathStatusMsgPtr t = it.First(); t.GetPtr() != nullptr; t = it.Next()) EXPECT_EQ(t->GetRemoteHost(), "");
}

// A DEAD event for a host that cannot be reached fails the post office's
// receives waiting for it before any listener hears of it, only in the
// manager process.
TEST(Admin, UnreachableHostFailsWaitingReceivesFirst) {
    for (int manager : {1, 0}) {
        SCOPED_TRACE(manager);
        AdminWorld w;
        OnePath(w, A, A);
        PostOffice& po = w.world.GetMxrPostOffice();
        ASSERT_EQ(po.CreateMailBox(bStr("in")), 0);
        BaseMsgPtr rcv(new PostOfficeRcvFromHostMboxReqMsg(
            BaseAddrPtr(new LogicalAddr(bStr("NODEA"), LogicalAddr::MXRPOSTOFFICE)), bStr("NODEB"), bStr("in")));
        w.Deliver(rcv);
        EXPECT_TRUE(w.Take().empty());  // parked: NODEB is up
        // The report handled with the process marked as the manager or not;
        // the queued answers are delivered as the manager's.
        ::testing::internal::CaptureStderr();
        BaseAddr::SetMxrWorldFlg(manager);
        w.Admin().ReportCommPathStatus(1, bStr("NODEB"), bStr("eth0"), PipeHead::DEAD);
        BaseAddr::SetMxrWorldFlg(1);
        w.Drain();
        ::testing::internal::GetCapturedStderr();
        if (manager)
            EXPECT_EQ(w.Take(), (AdminLog{"client HostRcv -1", "notice NODEB NODEB eth0 DEAD"}));
        else
            EXPECT_EQ(w.Take(), AdminLog{"notice NODEB NODEB eth0 DEAD"});
    }
}

// DEAD and then ALIVE in one turn reach the listener in that order.
TEST(Admin, DeadThenAliveInOneTurnArriveInOrder) {
    AdminWorld w;
    OnePath(w, A, A);
    BaseAddrPtr admin = AdminWorld::AdminAddr();
    ::testing::internal::CaptureStderr();
    BaseMsgPtr(new MxrAdminReportCommPathStatusReqMsg(admin, 1, bStr("NODEB"), bStr("eth0"), PipeHead::DEAD)).Send();
    BaseMsgPtr(new MxrAdminReportCommPathStatusReqMsg(admin, 1, bStr("NODEB"), bStr("eth0"), PipeHead::ALIVE)).Send();
    w.Drain();
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(w.Take(), (AdminLog{"notice NODEB NODEB eth0 DEAD", "notice NODEB NODEB eth0 ALIVE"}));
}

TEST(Admin, RegistrationKeepsOneRecordPerKindAndAlias) {
    AdminWorld w;
    w.Register("a", 100, "NODEA", CAT::TLI);
    w.Register("b", 101, "NODEX", CAT::TLI);
    w.Register("c", 102, "NODEA", CAT::TTY);
    EXPECT_EQ(w.Take(), (AdminLog{"a tag 1", "b tag 2", "c tag 3"}));
    // Again with another process: the same record, the same tag, new ids.
    w.Register("a2", 200, "NODEA", CAT::TLI);
    // An empty alias joins the first record of its kind.
    w.Register("e", 300, "", CAT::TTY);
    EXPECT_EQ(w.Take(), (AdminLog{"a2 tag 1", "e tag 3"}));
    EXPECT_EQ(MxrAdmin::GetCommAgentEntLst().GetItemCnt(), 3);
    EXPECT_EQ(AdminWorld::Agent(1)->GetPid(), 200);
    EXPECT_EQ(AdminWorld::Agent(1)->GetCommAgentStatus(), CAT::ALIVE);
    EXPECT_EQ(AdminWorld::Agent(3)->GetPid(), 300);
    EXPECT_EQ(AdminWorld::Agent(3)->GetLocalAlias(), "NODEA");
}

// A restarted agent: its up paths go DEAD once, every path starts over, and
// after the registration answer the new process is asked to serve them.
TEST(Admin, RestartedAgentGetsItsPathsAgain) {
    AdminWorld w;
    OnePath(w, A, A);
    w.CreatePath("NODEC", "NODEA", "NODEC", CAT::TLI);
    w.Take();
    EXPECT_EQ(w.world.GetMxrPostOffice().IsHostAlive(bStr("NODEB")), 0);  // 0: alive
    const std::string err = w.Register("agent2", 400, "NODEA", CAT::TLI);
    EXPECT_EQ(w.Take(),
              (AdminLog{"notice NODEB NODEB eth0 DEAD", "agent2 tag 1", "agent2 add NODEB", "agent2 add NODEC"}));
    EXPECT_EQ(err.find("not processed"), std::string::npos) << err;  // the add-host answers are taken quietly
    EXPECT_EQ(AdminWorld::PathState(1, "NODEB"), "NONE/INITIALIZING");
    EXPECT_EQ(AdminWorld::PathState(1, "NODEC"), "NONE/INITIALIZING");
    EXPECT_EQ(w.world.GetMxrPostOffice().IsHostAlive(bStr("NODEB")), 1);
    // The same process registering again changes nothing.
    w.Register("agent2", 400, "NODEA", CAT::TLI);
    EXPECT_EQ(w.Take(), AdminLog{"agent2 tag 1"});
}

// An agent whose connection ends: its up paths DEAD once, then reset, pid 0;
// the peer it alone served is no longer alive.
TEST(Admin, AgentWhoseConnectionEnds) {
    AdminWorld w;
    OnePath(w, A, A);
    EXPECT_EQ(w.Admin().IsHostAlive(bStr("NODEB")), 1);
    // Another route of the process is still there: nothing happens yet.
    BaseAddrEntPtr second(new BaseAddrEnt(bStr("NODEA"), 100, 1, 1, w.agents["agent"]));
    ::testing::internal::CaptureStderr();
    second = BaseAddrEntPtr();
    w.Drain();
    EXPECT_TRUE(w.Take().empty());
    // Its last route goes (the pipe closed).
    w.routes.at(0) = BaseAddrEntPtr();
    w.Drain();
    EXPECT_EQ(w.Take(), AdminLog{"notice NODEB NODEB eth0 DEAD"});
    w.Admin().CommAgentGone(100, 1);  // told again: nothing more
    w.Drain();
    ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(w.Take().empty());
    EXPECT_EQ(AdminWorld::Agent(1)->GetPid(), 0);
    EXPECT_EQ(AdminWorld::PathState(1, "NODEB"), "NONE/INITIALIZING");
    EXPECT_EQ(w.Admin().IsHostAlive(bStr("NODEB")), 0);
    // A later registration takes the same record, and the new process is
    // given the path again (else the path never came back after a restart).
    w.Register("agent3", 500, "NODEA", CAT::TLI);
    EXPECT_EQ(w.Take(), (AdminLog{"agent3 tag 1", "agent3 add NODEB"}));
}

TEST(Admin, Liveness) {
    AdminWorld w;
    // This host is up without any path; an unknown host is not.
    EXPECT_EQ(w.Admin().IsAnyCommPathToHostUp(bStr("NODEA"), bStr("x")), 0);
    EXPECT_EQ(w.Admin().IsHostAlive(bStr("NODEA")), 1);
    EXPECT_EQ(w.Admin().IsHostAlive(bStr("NODEB")), 0);
    // Up only through a path whose remote alias is the host's own name.
    w.Register("agent", 100, "NODEA", CAT::TLI);
    w.CreatePath("NODEB", "NODEA", "nodeb-alt", CAT::TLI);
    w.OutConn(1, "nodeb-alt", A);
    EXPECT_EQ(AdminWorld::PathState(1, "nodeb-alt"), "ALIVE/ALIVE");
    EXPECT_EQ(w.Admin().IsAnyCommPathToHostUp(bStr("NODEB"), bStr("nodeb-alt")), 0);
    EXPECT_EQ(w.Admin().IsHostAlive(bStr("NODEB")), 0);
    w.CreatePath("NODEB", "NODEA", "NODEB", CAT::TLI);
    w.OutConn(1, "NODEB", A);
    EXPECT_EQ(w.Admin().IsHostAlive(bStr("NODEB")), 1);
    EXPECT_EQ(w.Admin().IsHostAlive(bStr("nodeb")), 0);  // exact names
    // The question as a request, and the post office asking directly.
    w.Take();
    w.Deliver(
        BaseMsgPtr(new MxrAdminIsAnyCommPathToHostUpReqMsg(AdminWorld::AdminAddr(), bStr("NODEC"), bStr("NODEC"))));
    w.Deliver(
        BaseMsgPtr(new MxrAdminIsAnyCommPathToHostUpReqMsg(AdminWorld::AdminAddr(), bStr("NODEB"), bStr("NODEB"))));
    EXPECT_EQ(w.Take(), (AdminLog{"client Up 1", "client Up 0"}));
    EXPECT_EQ(w.world.GetMxrPostOffice().IsHostAlive(bStr("NODEB")), 0);  // 0: alive
}

TEST(Admin, ListenerRegistrationAndOtherMessages) {
    AdminWorld w;
    auto notify = [&](BaseMsgPtr theMsg) {
        return w.Deliver(BaseMsgPtr(
            new MxrAdminRegisterCommPathNotifyStatusReqMsg(AdminWorld::AdminAddr(), CommPathStatusMsgPtr(theMsg))));
    };
    notify(BaseMsgPtr(new CommPathStatusMsg(w.listener.GetAddrPtr())));
    notify(BaseMsgPtr());
    EXPECT_EQ(w.Take(), (AdminLog{"client Notify 1", "client Notify 0"}));
    EXPECT_EQ(w.Admin().GetCommMsgLst().GetItemCnt(), 1);
    EXPECT_EQ(w.Admin().RegisterCommPathNotifyStatus(CommPathStatusMsgPtr(BasePtr(new BaseMsg()))), 0);

    // A delete-agent request is dropped; an unknown message is not processed.
    EXPECT_EQ(w.Deliver(BaseMsgPtr(
                  new MxrAdminDeleteCommAgentReqMsg(AdminWorld::AdminAddr(), bStr("x"), CAT::TLI, bStr("")))),
              "");
    BaseMsgPtr stray(new CommPathStatusMsg(AdminWorld::AdminAddr()));
    EXPECT_EQ(w.Deliver(stray), "BaseWorld::Run() - Message not processed\n");
    EXPECT_TRUE(w.Take().empty());
    EXPECT_EQ(LogicalAddrEnt::LookUpName(LogicalAddr::MXRADMIN), &w.Admin());
}
