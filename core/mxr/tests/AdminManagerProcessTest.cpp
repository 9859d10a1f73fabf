// The path administrator inside the running stand-in manager (hvmanager, in
// its own process on a fresh system directory), asked over the manager pipe
// as a client or an agent asks it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "LogicalAddr.h"
#include "MxrAdminIsAnyCommPathToHostUpReqMsg.h"
#include "MxrAdminRegisterCommAgentReqMsg.h"
#include "MxrTestSupport.h"
#include "ProcessTestSupport.h"
#include "SynchPipeHead.h"
#include "platform/tests/TempSystemDir.h"

using namespace mxrtest;

namespace {

struct AdminInManager : ::testing::Test {
    hvtest::TempSystemDir sys;
    RuntimeScope scope{"NODEA", 0};
    std::unique_ptr<ManagerProcess> manager;
    SynchPipeHeadPtr pipe;
    BaseAddrPtr admin{new LogicalAddr(bStr("NODEA"), LogicalAddr::MXRADMIN)};

    void SetUp() override {
        manager = std::make_unique<ManagerProcess>(sys.Path(), "NODEA");
        ASSERT_TRUE(manager->WaitListening()) << manager->child.Err();
        pipe = new SynchPipeHead(bStr(GetMxrPipeName()));
        ASSERT_EQ(pipe->Initialize(), 0);
    }
    void TearDown() override {
        pipe = SynchPipeHeadPtr();
        EXPECT_EQ(manager->child.Stop(), 0) << manager->child.Err();
    }
    // The retVal of the answer to req, or -99.
    template <class Rsp>
    int Ask(BaseReqMsg* req) {
        if (pipe->SynchWrite(BaseMsgPtr(req)) != 0) return -99;
        BaseMsgPtr got;
        if (pipe->SynchRead(got) != 0) return -99;
        TypedPtr<Rsp> rsp(got);
        return rsp.Ok() ? rsp->GetRetVal() : -99;
    }
};

}  // namespace

TEST_F(AdminInManager, AnswersQuestionsAndRegistrations) {
    using Up = MxrAdminIsAnyCommPathToHostUpRspMsg;
    EXPECT_EQ(Ask<Up>(new MxrAdminIsAnyCommPathToHostUpReqMsg(admin, bStr("NODEA"), bStr("NODEA"))), 0);
    EXPECT_EQ(Ask<Up>(new MxrAdminIsAnyCommPathToHostUpReqMsg(admin, bStr("NODEZ"), bStr("NODEZ"))), 1);
    using Reg = MxrAdminRegisterCommAgentRspMsg;
    const long pid = static_cast<long>(getpid());
    EXPECT_EQ(Ask<Reg>(new MxrAdminRegisterCommAgentReqMsg(admin, pid, 1L, bStr(""), CommAgentEnt::TTY, bStr(""))), 1);
    EXPECT_EQ(Ask<Reg>(new MxrAdminRegisterCommAgentReqMsg(admin, pid, 1L, bStr("NODEA"), CommAgentEnt::TLI, bStr(""))),
              2);
    EXPECT_EQ(Ask<Reg>(new MxrAdminRegisterCommAgentReqMsg(admin, pid, 1L, bStr(""), CommAgentEnt::TTY, bStr(""))), 1);
}
