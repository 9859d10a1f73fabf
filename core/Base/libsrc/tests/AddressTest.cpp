// Addresses: this process's identity (host name, ids, the manager flag) and
// the resolution of logical names.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

#include "BaseAddr.h"
#include "BaseAddrEnt.h"
#include "DynamicAddr.h"
#include "DynamicAddrEnt.h"
#include "LogicalAddr.h"
#include "LogicalAddrEnt.h"
#include "RuntimeTestSupport.h"

namespace {
char tags[8];
BaseMsgRcvr* Tag(int i) { return reinterpret_cast<BaseMsgRcvr*>(&tags[i]); }

// A row for a stand-in receiver and its address, as a receiver holds them.
struct FakeRcvr {
    explicit FakeRcvr(int tag) : row(new DynamicAddrEnt(Tag(tag))), addr(new DynamicAddr(row->GetIdx(), row->GetUniq())) {}
    DynamicAddrEntPtr row;
    BaseAddrPtr addr;
};
}  // namespace

TEST(Address, HostNameComesVerbatimFromMxrHostName) {
    RuntimeScope scope("node-7.Example");
    EXPECT_STREQ(BaseAddr::GetCurrentHost().StrVal(), "node-7.Example");
    EXPECT_STREQ(BaseAddr().GetHost().StrVal(), "node-7.Example");
    // Read once: a later change of the environment is not seen.
    setenv("MXRHOSTNAME", "OTHER", 1);
    EXPECT_STREQ(BaseAddr::GetCurrentHost().StrVal(), "node-7.Example");
}

TEST(Address, WithoutMxrHostNameTheMachineNameIsUsed) {
    // A system directory of our own, so no configured ComputerName applies.
    char dir[] = "/tmp/hvaddrXXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const char* oldDir = std::getenv("HV_SYSTEM_DIR");
    const std::string savedDir = oldDir != nullptr ? oldDir : "";
    setenv("HV_SYSTEM_DIR", dir, 1);
    RuntimeScope scope(nullptr);
    char buf[256] = {};
    ASSERT_EQ(gethostname(buf, sizeof buf - 1), 0);
    std::string expect(buf);
    expect = expect.substr(0, expect.find('.')).substr(0, 15);
    for (char& c : expect) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(std::string(BaseAddr::GetCurrentHost().StrVal()), expect);
    if (oldDir != nullptr)
        setenv("HV_SYSTEM_DIR", savedDir.c_str(), 1);
    else
        unsetenv("HV_SYSTEM_DIR");
    rmdir(dir);
}

TEST(Address, IdsAreTheKernelsOutsideTheManager) {
    RuntimeScope scope("NODEA", 0);
    BaseAddr here;
    EXPECT_EQ(here.GetPid(), static_cast<long>(getpid()));
    EXPECT_EQ(here.GetTid(), static_cast<long>(gettid()));
    EXPECT_TRUE(here.IsCorrectProcess());
    BaseAddr otherHost(bStr("NODEB"), here.GetPid(), here.GetTid());
    BaseAddr otherThread(bStr("NODEA"), here.GetPid(), here.GetTid() + 1);
    BaseAddr otherProcess(bStr("NODEA"), here.GetPid() + 1, here.GetTid());
    BaseAddr managerAddr(bStr("NODEA"), 0, 0);
    EXPECT_FALSE(otherHost.IsCorrectProcess());
    EXPECT_FALSE(otherThread.IsCorrectProcess());
    EXPECT_FALSE(otherProcess.IsCorrectProcess());
    EXPECT_FALSE(managerAddr.IsCorrectProcess());
}

TEST(Address, TheManagerHasPidAndTidZeroAndOwnsEveryTidOfPidZero) {
    RuntimeScope scope("NODEA", 1);
    BaseAddr here;
    EXPECT_EQ(here.GetPid(), 0);
    EXPECT_EQ(here.GetTid(), 0);
    EXPECT_TRUE(BaseAddr(bStr("NODEA"), 0, 0).IsCorrectProcess());
    EXPECT_TRUE(BaseAddr(bStr("NODEA"), 0, 4711).IsCorrectProcess());
    EXPECT_FALSE(BaseAddr(bStr("NODEB"), 0, 0).IsCorrectProcess());
    EXPECT_FALSE(BaseAddr(bStr("NODEA"), 12, 0).IsCorrectProcess());
    DynamicAddr d(3, 4);
    EXPECT_EQ(d.GetPid(), 0);
    EXPECT_EQ(d.GetTid(), 0);
}

TEST(Address, ConstructorsAndManagerPipeName) {
    RuntimeScope scope("NODEA");
    LogicalAddr blank;
    EXPECT_EQ(blank.GetHost().StrLen(), 0);
    EXPECT_EQ(blank.GetPid(), 0);
    EXPECT_EQ(static_cast<int>(blank.GetLogicalName()), 0);
    LogicalAddr agent(bStr("NODEB"), 77, 78, LogicalAddr::COMMAGENTMSGRCVR);
    EXPECT_EQ(agent.GetPid(), 77);
    EXPECT_EQ(agent.GetTid(), 78);
    EXPECT_EQ(agent.GetLogicalName(), LogicalAddr::COMMAGENTMSGRCVR);
    DynamicAddr fresh;
    EXPECT_EQ(fresh.GetIdx(), 0);
    EXPECT_EQ(fresh.GetUniq(), 0);
    EXPECT_STREQ(fresh.GetHost().StrVal(), "NODEA");
    EXPECT_STREQ(GetMxrPipeName(), "\\\\.\\PIPE\\mxr_pipe");
    EXPECT_TRUE(LogicalAddrPtr(new LogicalAddr()).Ok());
    EXPECT_TRUE(BaseAddrPtr(new LogicalAddr()).Ok());
    EXPECT_FALSE(DynamicAddrPtr(new LogicalAddr()).Ok());
}

TEST(LogicalName, FirstRegistrationOfFiveSizesTheTableToTen) {
    RuntimeScope scope;
    FakeRcvr po(0);
    LogicalAddrEntPtr row(new LogicalAddrEnt(LogicalAddr::MXRPOSTOFFICE, po.addr));
    EXPECT_EQ(LogicalAddrEnt::GetLogicalAddrTblSz(), 10);
    LogicalAddrEntPtr agent(new LogicalAddrEnt(LogicalAddr::COMMAGENTMSGRCVR, po.addr));
    EXPECT_EQ(LogicalAddrEnt::GetLogicalAddrTblSz(), 10);
    EXPECT_EQ(LogicalAddrEnt::GetLogicalAddrTblPtr()[5], row.GetPtr());
    EXPECT_EQ(LogicalAddrEnt::GetLogicalAddrTblPtr()[8], agent.GetPtr());
}

TEST(LogicalName, OverwritingWarnsAndTheLastRegistrationWins) {
    RuntimeScope scope;
    FakeRcvr first(0), second(1);
    LogicalAddrEntPtr a(new LogicalAddrEnt(LogicalAddr::MXRADMIN, first.addr));
    ::testing::internal::CaptureStderr();
    LogicalAddrEntPtr b(new LogicalAddrEnt(LogicalAddr::MXRADMIN, second.addr));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Warning: LogicalAddrEnt::LogicalAddrEnt(,) - Overwriting entry for \"7\"\n");
    LogicalAddr admin(LogicalAddr::MXRADMIN);
    EXPECT_EQ(admin.GetMsgRcvrAddr(), Tag(1));
    // The displaced row's end leaves its successor in place.
    a = LogicalAddrEntPtr();
    EXPECT_EQ(admin.GetMsgRcvrAddr(), Tag(1));
    b = LogicalAddrEntPtr();
    EXPECT_EQ(LogicalAddrEnt::GetLogicalAddrTblPtr()[7], nullptr);
    EXPECT_EQ(admin.GetMsgRcvrAddr(), nullptr);
}

TEST(LogicalName, ResolutionOutsideTheManager) {
    RuntimeScope scope("NODEA", 0);
    BaseAddrEntPtr toManager(new BaseAddrEnt(bStr("NODEA"), 0, 0, Tag(6)));
    BaseAddrEntPtr toNodeB(new BaseAddrEnt(bStr("NODEB"), 0, 0, Tag(7)));
    // Not served here: the pipe to this host's manager.
    EXPECT_EQ(LogicalAddr(LogicalAddr::MXRPOSTOFFICE).GetMsgRcvrAddr(), Tag(6));
    EXPECT_EQ(LogicalAddr(bStr("NODEA"), LogicalAddr::MXRPOSTOFFICE).GetMsgRcvrAddr(), Tag(6));
    EXPECT_EQ(LogicalAddr(bStr("NODEB"), LogicalAddr::MXRPOSTOFFICE).GetMsgRcvrAddr(), Tag(7));
    // Served here: the local receiver, by empty host or by this thread's address.
    FakeRcvr agent(2);
    LogicalAddrEntPtr row(new LogicalAddrEnt(LogicalAddr::COMMAGENTMSGRCVR, agent.addr));
    EXPECT_EQ(LogicalAddr(LogicalAddr::COMMAGENTMSGRCVR).GetMsgRcvrAddr(), Tag(2));
    EXPECT_EQ(LogicalAddr(bStr("NODEA"), BaseAddr::GetCurrentPid(), BaseAddr::GetCurrentTid(),
                          LogicalAddr::COMMAGENTMSGRCVR)
                  .GetMsgRcvrAddr(),
              Tag(2));
    // A name this process does not serve, asked of this very thread: nothing.
    EXPECT_EQ(LogicalAddr(bStr("NODEA"), BaseAddr::GetCurrentPid(), BaseAddr::GetCurrentTid(),
                          LogicalAddr::MXRADMIN)
                  .GetMsgRcvrAddr(),
              nullptr);
    // Out-of-range names, as a peer might send them.
    EXPECT_EQ(LogicalAddr(static_cast<LogicalAddr::enLogicalName>(-3)).GetMsgRcvrAddr(), Tag(6));
    EXPECT_EQ(LogicalAddr(bStr("NODEA"), BaseAddr::GetCurrentPid(), BaseAddr::GetCurrentTid(),
                          static_cast<LogicalAddr::enLogicalName>(100000))
                  .GetMsgRcvrAddr(),
              nullptr);
    toManager = BaseAddrEntPtr();
    EXPECT_EQ(LogicalAddr(LogicalAddr::MXRPOSTOFFICE).GetMsgRcvrAddr(), nullptr);
}

TEST(LogicalName, ResolutionInTheManager) {
    RuntimeScope scope("NODEA", 1);
    BaseAddrEntPtr toNodeB(new BaseAddrEnt(bStr("NODEB"), 0, 0, Tag(7)));
    EXPECT_EQ(LogicalAddr(LogicalAddr::MXRPOSTOFFICE).GetMsgRcvrAddr(), nullptr);
    FakeRcvr po(3);
    LogicalAddrEntPtr row(new LogicalAddrEnt(LogicalAddr::MXRPOSTOFFICE, po.addr));
    EXPECT_EQ(LogicalAddr(LogicalAddr::MXRPOSTOFFICE).GetMsgRcvrAddr(), Tag(3));
    EXPECT_EQ(LogicalAddr(bStr("NODEA"), LogicalAddr::MXRPOSTOFFICE).GetMsgRcvrAddr(), Tag(3));
    EXPECT_EQ(LogicalAddr(bStr("NODEB"), LogicalAddr::MXRPOSTOFFICE).GetMsgRcvrAddr(), Tag(7));
    EXPECT_EQ(LogicalAddr(bStr("NODEC"), LogicalAddr::MXRPOSTOFFICE).GetMsgRcvrAddr(), nullptr);
    // The server is gone (its row freed): the name resolves to nothing.
    po.row->FreeRow();
    EXPECT_EQ(LogicalAddr(LogicalAddr::MXRPOSTOFFICE).GetMsgRcvrAddr(), nullptr);
}

TEST(LogicalName, ANameThatLeadsBackToANameEndsInNothing) {
    RuntimeScope scope("NODEA", 1);
    BaseAddrPtr loop(new LogicalAddr(LogicalAddr::MXRDEBUG));
    LogicalAddrEntPtr row(new LogicalAddrEnt(LogicalAddr::MXRDEBUG, loop));
    EXPECT_EQ(LogicalAddr(LogicalAddr::MXRDEBUG).GetMsgRcvrAddr(), nullptr);
    LogicalAddrEntPtr empty(new LogicalAddrEnt(LogicalAddr::MXRLOGGING, BaseAddrPtr()));
    EXPECT_EQ(LogicalAddr(LogicalAddr::MXRLOGGING).GetMsgRcvrAddr(), nullptr);
}

TEST(LogicalNameDeathTest, ANameOutsideTheTableRangeStops) {
    RuntimeScope scope;
    EXPECT_DEATH(LogicalAddrEnt(static_cast<LogicalAddr::enLogicalName>(0), BaseAddrPtr()), "1 <= name <= 4096");
}
