// The agent's receiver: its registration, a path added (its port opened
// later, or retried soon and then less often, up to every 15 s), a path deleted (its line closed for good, or
// its pending set-up dropped), and the heartbeat defaults of the agent.
#include <gtest/gtest.h>
#include <cerrno>
#include <chrono>
#include <poll.h>
#include <unistd.h>
#include <vector>

#include "../../../Base/libsrc/tests/ManualTimerClock.h"
#include "CommAgentEnt.h"
#include "DestHostEnt.h"
#include "LogicalAddrEnt.h"
#include "MxrAdminRegisterCommAgentReqMsg.h"
#include "PipeInitMsg.h"
#include "TTYCAMsgRcvr.h"
#include "TTYCAMsgRcvrAddHostSM.h"
#include "TTYCAWorld.h"
#include "TTYLinkFixture.h"
#include "platform/TestTimeScale.h"

namespace {

struct AgentRcvr : ::testing::Test {
    RuntimeScope scope{"NODEA", 0};
    ManualTimerClock clock;
    TTYCAWorld world{6, 5};
    TTYRecorderPtr admin{new TTYRecorder()};
    LogicalAddrEntPtr adminName{new LogicalAddrEnt(LogicalAddr::MXRADMIN, BaseAddrPtr(admin->GetAddrPtr()))};
    // What goes to this host's manager (the administrator's requests) lands here too.
    BaseAddrEntPtr managerRoute{new BaseAddrEnt(BaseAddr::GetCurrentHost(), 0, 0, admin.GetPtr())};
    TTYCAMsgRcvrPtr rcvr;
    ttytest::PtyLine line;

    void SetUp() override {
        BaseWorld::SetDispatchReadyFlg(1);
        rcvr = new TTYCAMsgRcvr(1);
        Settle();
    }
    void TearDown() override {
        world.CleanUp();
        Settle();
    }
    void Settle() {
        for (int i = 0; i < 20; ++i) {
            world.ProcessTimers();
            world.GetPollManager().PollForWork(0);
            world.ProcessMessages();
        }
    }
    DestHostEntPtr Path(const std::string& device, const char* alias = "NODEB", int hb = 1) {
        return DestHostEntPtr(new DestHostEnt(bStr(alias), 1, bStr("NODEA"), bStr(device.c_str()), bStr(alias), hb, 3, 9600));
    }
    int Lines() {
        int n = 0;
        BasePollAdptrLstIter it(world.GetPollManager().GetPollAdptrLst());
        for (BasePollAdptrPtr a = it.First(); a.GetPtr() != nullptr; a = it.Next())
            if (a->IsOfType(TTYPipePollAdptr::ClassCode)) ++n;
        return n;
    }
    int Pending() { return TTYCAMsgRcvr::GetAddHostSMLst().GetItemCnt(); }
    // The frames that come out of the line's other end, once `want` of them
    // are whole (at most 10 s).
    std::vector<TTYFrameReader::Frame> MasterFrames(std::size_t want) {
        TTYFrameReader reader;
        std::vector<TTYFrameReader::Frame> frames;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        char buf[1024];
        while (frames.size() < want) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd p{line.master, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) != 1) break;
            const ssize_t n = ::read(line.master, buf, sizeof buf);
            if (n > 0) reader.Feed(buf, static_cast<int>(n), frames);
            else if (n == 0 || errno != EAGAIN) break;
        }
        return frames;
    }
};

}  // namespace

TEST_F(AgentRcvr, RegistersAsATtyAgentAndKeepsTheTagItIsGiven) {
    const auto regs = admin->Of(MxrAdminRegisterCommAgentReqMsg::ClassCode);
    ASSERT_EQ(regs.size(), 1u);
    const MxrAdminRegisterCommAgentReqMsgPtr reg(regs[0]);
    EXPECT_EQ(reg->GetCommAgentType(), CommAgentEnt::TTY);
    EXPECT_EQ(reg->GetPid(), BaseAddr::GetCurrentPid());
    EXPECT_EQ(reg->GetLocalAlias(), "");
    EXPECT_EQ(reg->GetDevPathName(), "");
    EXPECT_EQ(reg->GetFrmAddr()->GetMsgRcvrAddr(), rcvr.GetPtr());
    MxrAdminRegisterCommAgentRspMsg* rsp = new MxrAdminRegisterCommAgentRspMsg();
    rsp->SetRetVal(17);
    rsp->SetToAddr(BaseAddrPtr(new LogicalAddr(LogicalAddr::COMMAGENTMSGRCVR)));
    BaseMsgPtr(rsp).Send();
    Settle();
    EXPECT_EQ(rcvr->GetCommAgentTagNum(), 17);
}

TEST_F(AgentRcvr, AnAddedPathOpensItsPortAndSendsItsInitOverTheLine) {
    EXPECT_EQ(rcvr->AddHost(Path(line.slavePath)), 0);
    EXPECT_EQ(Lines(), 0);  // opened later, not in the request's handler
    Settle();
    EXPECT_EQ(Lines(), 1);
    EXPECT_EQ(Pending(), 0);
    const std::vector<TTYFrameReader::Frame> frames = MasterFrames(1);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_TRUE(PipeInitMsgPtr(ttytest::MsgOf(frames[0].pkt)).Ok());
    // Deleted: the line is closed for good (the other end sees it go).
    EXPECT_EQ(rcvr->DeleteHost(Path(line.slavePath)), 0);
    Settle();
    EXPECT_EQ(Lines(), 0);
    pollfd p{line.master, POLLIN, 0};
    EXPECT_EQ(::poll(&p, 1, 2000), 1);
    EXPECT_TRUE(p.revents & POLLHUP);
    clock.AdvanceMs(60000);
    Settle();
    EXPECT_EQ(Lines(), 0);
    EXPECT_EQ(Pending(), 0);
}

TEST_F(AgentRcvr, AMissingPortIsTriedSoonThenLessOftenUpTo15Seconds) {
    using portlib::platform::ScaledMs;
    const std::string missing = "/tmp/hv-no-such-port-" + std::to_string(::getpid());
    EXPECT_EQ(rcvr->AddHost(Path(missing)), 0);
    Settle();
    EXPECT_EQ(Pending(), 1);
    // A line that is a moment late is met soon; one that stays away costs a
    // try every 15 s.
    for (unsigned wait : {1000u, 2000u, 4000u, 8000u, 15000u, 15000u}) {
        SCOPED_TRACE(wait);
        ASSERT_EQ(world.GetTimerManager().GetMSecsToNextTimer(), ScaledMs(wait));
        clock.AdvanceMs(ScaledMs(wait));
        Settle();
        EXPECT_EQ(Pending(), 1);
        EXPECT_EQ(Lines(), 0);
    }
    // The device appears: the next attempt opens it, not an earlier one.
    ASSERT_EQ(::symlink(line.slavePath.c_str(), missing.c_str()), 0);
    const unsigned next = world.GetTimerManager().GetMSecsToNextTimer();
    EXPECT_EQ(next, ScaledMs(15000));
    clock.AdvanceMs(next - 1);
    Settle();
    EXPECT_EQ(Lines(), 0);
    clock.AdvanceMs(1);
    Settle();
    EXPECT_EQ(Lines(), 1);
    EXPECT_EQ(Pending(), 0);
    ::unlink(missing.c_str());
}

TEST_F(AgentRcvr, DeletingAPathWhosePortNeverOpenedDropsItsSetUp) {
    const std::string missing = "/tmp/hv-no-such-port-" + std::to_string(::getpid());
    rcvr->AddHost(Path(missing));
    Settle();
    ASSERT_EQ(Pending(), 1);
    EXPECT_EQ(rcvr->DeleteHost(Path(missing, "OTHER")), -1);  // another path
    EXPECT_EQ(rcvr->DeleteHost(Path(missing)), 0);
    EXPECT_EQ(Pending(), 0);
    EXPECT_EQ(world.GetTimerManager().GetWaitList().GetItemCnt(), 0);
    ASSERT_EQ(::symlink(line.slavePath.c_str(), missing.c_str()), 0);
    clock.AdvanceMs(60000);
    Settle();
    EXPECT_EQ(Lines(), 0);
    ::unlink(missing.c_str());
    EXPECT_EQ(rcvr->DeleteHost(Path(missing)), -1);
}

TEST_F(AgentRcvr, APathWithoutHeartbeatValuesTakesTheAgents) {
    world.SetHeartbeatInterval(0);
    rcvr->AddHost(Path(line.slavePath, "NODEB", 0));
    Settle();
    ASSERT_EQ(Lines(), 1);
    BasePollAdptrLstIter it(world.GetPollManager().GetPollAdptrLst());
    TTYPipeHeadPtr head;
    for (BasePollAdptrPtr a = it.First(); a.GetPtr() != nullptr; a = it.Next())
        if (a->IsOfType(TTYPipePollAdptr::ClassCode)) head = TTYPipeHeadPtr(TTYPipePollAdptrPtr(a)->GetPipeHeadPtr());
    ASSERT_TRUE(head.Ok());
    EXPECT_EQ(head->GetHbInterval(), 0u);
    EXPECT_EQ(head->GetHbMaxMiss(), 3u);  // the path's own
    EXPECT_EQ(head->GetComPriority(), 1);
}
