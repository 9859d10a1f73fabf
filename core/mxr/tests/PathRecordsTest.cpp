// The administrator's records of agents, paths and remote hosts: agent tags,
// the two matching rules, removing a path from an agent, the path's wire and
// text forms (the records that never travel carry nothing), and the
// converters of the three enumerations.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../../Base/libsrc/tests/IoTestTrees.h"
#include "AdminTestSupport.h"
#include "CommAgentEnt.h"
#include "DestHostEnt.h"
#include "RegisterClass.h"
#include "RemoteHostEnt.h"

using namespace mxrtest;

namespace {

struct PathRecords : ::testing::Test {
    RuntimeScope scope{"NODEA", 1};
    int savedTag = CommAgentEnt::GetTagValue();
    void SetUp() override { CommAgentEnt::SetTagValue(0); }
    void TearDown() override { CommAgentEnt::SetTagValue(savedTag); }
};

DestHostEntPtr Path(const char* local, const char* remote, const char* dev) {
    return DestHostEntPtr(new DestHostEnt(bStr(remote), 1, bStr(local), bStr(dev), bStr("host"), 4, 3, 0));
}

}  // namespace

// Tags count up from the counter's value, one per agent record made with its
// values; an empty record takes none.
TEST_F(PathRecords, AgentTagsCountUpAndTheFactoryTakesNone) {
    const CommAgentEnt first(100, 1, bStr("NODEA"), CommAgentEnt::TLI, bStr(""));
    EXPECT_EQ(first.GetEntTag(), 1);
    const CommAgentEnt empty;
    EXPECT_EQ(CommAgentEnt::GetTagValue(), 1);
    // The record never leaves the manager: no decoder may make one.
    EXPECT_EQ(RegisterClass::GetRegisterClassEntryFrmId(CommAgentEnt::ClassCode)->GetNewFuncPtr(), nullptr);
    const CommAgentEnt second(0, 0, bStr(""), CommAgentEnt::TTY, bStr("/dev/ttyS0"));
    EXPECT_EQ(second.GetEntTag(), 2);
    EXPECT_EQ(CommAgentEnt::GetTagValue(), 2);

    EXPECT_EQ(first.GetPid(), 100);
    EXPECT_EQ(first.GetTid(), 1);
    EXPECT_EQ(first.GetLocalAlias(), "NODEA");
    EXPECT_EQ(first.GetCommAgentType(), CommAgentEnt::TLI);
    EXPECT_EQ(second.GetDevPathName(), "/dev/ttyS0");
    EXPECT_EQ(first.GetCommAgentStatus(), CommAgentEnt::UNDEFINED);
    EXPECT_EQ(first.GetCommPathLst().GetItemCnt(), 0);

    // A path made for the liveness test to read before any report counts as
    // down: its heartbeat starts NONE.
    EXPECT_EQ(DestHostEnt().GetHbStatus(), PipeHead::NONE);
    EXPECT_EQ(Path("a", "b", "d")->GetHbStatus(), PipeHead::NONE);
}

// An agent matches on its kind; an empty alias on either side matches every
// alias; the device is never compared.
TEST_F(PathRecords, AgentMatching) {
    struct Case {
        CommAgentEnt::CommAgentType recType;
        const char* recAlias;
        const char* recDev;
        CommAgentEnt::CommAgentType type;
        const char* alias;
        const char* dev;
        int expected;
    };
    const Case cases[] = {
        {CommAgentEnt::TLI, "NODEA", "", CommAgentEnt::TLI, "NODEA", "", 0},
        {CommAgentEnt::TLI, "NODEA", "", CommAgentEnt::TLI, "", "", 0},
        {CommAgentEnt::TLI, "NODEA", "", CommAgentEnt::TLI, "other", "", -1},
        {CommAgentEnt::TLI, "NODEA", "", CommAgentEnt::TTY, "NODEA", "", -1},
        {CommAgentEnt::TLI, "", "", CommAgentEnt::TLI, "anything", "", 0},
        {CommAgentEnt::TTY, "", "", CommAgentEnt::TTY, "", "", 0},
        {CommAgentEnt::TTY, "", "", CommAgentEnt::TLI, "", "", -1},
        {CommAgentEnt::TTY, "", "/dev/ttyS0", CommAgentEnt::TTY, "", "/dev/ttyS1", 0},
        {CommAgentEnt::TLI, "NODEA", "x", CommAgentEnt::TLI, "NODEA", "y", 0},
        {CommAgentEnt::TLI, "NODEA", "x", CommAgentEnt::TLI, "nodea", "x", -1},
    };
    for (const Case& c : cases) {
        const CommAgentEnt rec(1, 1, bStr(c.recAlias), c.recType, bStr(c.recDev));
        EXPECT_EQ(rec.IsaMatch(c.type, bStr(c.alias), bStr(c.dev)), c.expected)
            << c.recType << "/" << c.recAlias << " against " << c.type << "/" << c.alias << "/" << c.dev;
    }
}

// A path matches on local alias, remote alias and device, exactly; its other
// fields play no part.
TEST_F(PathRecords, PathMatching) {
    struct Case {
        const char* local;
        const char* remote;
        const char* dev;
        int expected;
    };
    const Case cases[] = {
        {"NODEA", "NODEB", "eth0", 0},  {"NODEX", "NODEB", "eth0", -1}, {"NODEA", "NODEX", "eth0", -1},
        {"NODEA", "NODEB", "eth1", -1}, {"", "NODEB", "eth0", -1},      {"NODEA", "NODEB", "", -1},
    };
    const DestHostEntPtr rec = Path("NODEA", "NODEB", "eth0");
    for (const Case& c : cases)
        EXPECT_EQ(rec->IsaMatch(Path(c.local, c.remote, c.dev)), c.expected)
            << c.local << "/" << c.remote << "/" << c.dev;
    DestHostEntPtr other(
        new DestHostEnt(bStr("NODEB"), 9, bStr("NODEA"), bStr("eth0"), bStr("elsewhere"), 1, 1, 19200));
    other->SetHbStatus(PipeHead::DEAD);
    EXPECT_EQ(rec->IsaMatch(other), 0);
}

// DelPath takes the first path of equal remote alias and device, whatever its
// local alias, and says so in its own words.
TEST_F(PathRecords, DelPathRemovesTheFirstOfEqualPathsOnly) {
    CommAgentEnt agent(1, 1, bStr(""), CommAgentEnt::TLI, bStr(""));
    const DestHostEntPtr first = Path("NODEA", "NODEB", "eth0");
    const DestHostEntPtr second = Path("NODEA", "NODEB", "eth0");
    const DestHostEntPtr third = Path("NODEA", "NODEC", "eth0");
    for (const DestHostEntPtr& p : {first, second, third}) EXPECT_EQ(agent.AddPath(p), 0);
    ASSERT_EQ(agent.GetCommPathLst().GetItemCnt(), 3);

    ::testing::internal::CaptureStderr();
    EXPECT_EQ(agent.DelPath(Path("elsewhere", "NODEB", "eth0")), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "CommAgentEnt::DelPath RemoteHost NODEBdevice Path eth0 found.  Delete it.\n");
    std::vector<DestHostEnt*> left;
    DestHostEntLstIter it(agent.GetCommPathLst());
    for (DestHostEntPtr p = it.First(); p.GetPtr() != nullptr; p = it.Next()) left.push_back(p.GetPtr());
    EXPECT_EQ(left, (std::vector<DestHostEnt*>{second.GetPtr(), third.GetPtr()}));

    ::testing::internal::CaptureStderr();
    EXPECT_EQ(agent.DelPath(Path("NODEA", "NODEB", "eth1")), -1);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "CommAgentEnt::DelPath RemoteAlias NODEBdevice Path eth1 not found in commPathLst\n");
    EXPECT_EQ(agent.GetCommPathLst().GetItemCnt(), 2);
}

// The path's binary form: its code and the ten fields in their order.
TEST_F(PathRecords, PathWireFormCarriesAllTenFields) {
    DestHostEntPtr full = FullPath();
    const std::vector<char> expected = Bytes{}
                                           .Byte(0x38)
                                           .Str("NODEA")
                                           .Str("NODEB")
                                           .Le32(3)
                                           .Str("/dev/ttyS0")
                                           .Str("nodeb")
                                           .Le32(4)
                                           .Le32(5)
                                           .Le32(9600)
                                           .Le32(2)
                                           .Le32(1)
                                           .v;
    EXPECT_EQ(BytesOf(*full.GetPtr()), expected);

    DestHostEnt back;
    ASSERT_EQ(ReadBytesInto(back, expected), 0);
    EXPECT_EQ(back.GetLocalAlias(), "NODEA");
    EXPECT_EQ(back.GetRemoteAlias(), "NODEB");
    EXPECT_EQ(back.GetPriority(), 3);
    EXPECT_EQ(back.GetDevicePathName(), "/dev/ttyS0");
    EXPECT_EQ(back.GetRemoteHostName(), "nodeb");
    EXPECT_EQ(back.GetHbInterval(), 4);
    EXPECT_EQ(back.GetHbMaxMiss(), 5);
    EXPECT_EQ(back.GetBaudRate(), 9600);
    EXPECT_EQ(back.GetHbStatus(), PipeHead::ALIVE);
    EXPECT_EQ(back.GetConnectionStatus(), DestHostEnt::INITIALIZING);

    // Another class's code is refused before any field is read.
    std::vector<char> wrong = expected;
    wrong[0] = 0x31;
    EXPECT_EQ(ReadBytesInto(*full.GetPtr(), wrong), 1);
    EXPECT_EQ(BytesOf(*full.GetPtr()), expected);
}

TEST_F(PathRecords, PathTextFormAndItsReading) {
    DestHostEntPtr p(new DestHostEnt(bStr(""), 1, bStr(""), bStr(""), bStr(""), 4, 3, 0));
    p->SetHbStatus(PipeHead::ALIVE);
    p->SetConnectionStatus(DestHostEnt::INITIALIZING);
    EXPECT_EQ(TextOf(p),
              "(DestHostEnt\n\t(localAlias \"\")\n\t(remoteAlias \"\")\n\t(priority 1)\n\t(devicePathName \"\")\n"
              "\t(remoteHostName \"\")\n\t(hbInterval 4)\n\t(hbMaxMiss 3)\n\t(baudRate 0)\n\t(hbStatus ALIVE)\n"
              "\t(connectionStatus INITIALIZING))");
    int rc = -9;
    const DestHostEntPtr full = FullPath();
    DestHostEntPtr back(FromTree(full, &rc));
    ASSERT_EQ(rc, 0);
    ASSERT_TRUE(back.Ok());
    EXPECT_EQ(WireOf(back), WireOf(full));

    // Order does not matter, a missing key leaves its field, an unknown
    // enumeration name fails with the converter's result while the other
    // keys are still read.
    DestHostEntPtr target = FullPath();
    const IoItemPtr fields = List({List({Id("hbStatus"), Id("LIVELY")}), List({Id("baudRate"), Int(19200)}),
                                   List({Id("localAlias"), Str("NODEZ")}), List({Id("connectionStatus"), Id("DEAD")})});
    EXPECT_EQ(target->SetFromIoItem(fields), 1);
    EXPECT_EQ(target->GetHbStatus(), PipeHead::ALIVE);
    EXPECT_EQ(target->GetBaudRate(), 19200);
    EXPECT_EQ(target->GetLocalAlias(), "NODEZ");
    EXPECT_EQ(target->GetConnectionStatus(), DestHostEnt::DEAD);
    EXPECT_EQ(target->GetRemoteAlias(), "NODEB");
    EXPECT_EQ(target->GetPriority(), 3);
}

// The agent record and the remote host record never carry their fields: the
// agent is its code alone, the host its code and its receiver address; both
// print as their name, and reading them changes nothing.
TEST_F(PathRecords, AgentAndHostRecordsCarryNoFields) {
    CommAgentEnt agent(77, 78, bStr("NODEA"), CommAgentEnt::TTY, bStr("/dev/ttyS1"));
    agent.AddPath(FullPath());
    EXPECT_EQ(BytesOf(agent), std::vector<char>{0x31});
    EXPECT_EQ(TextOf(CommAgentEntPtr(new CommAgentEnt())), "(CommAgentEnt)");

    const int tag = agent.GetEntTag();
    EXPECT_EQ(ReadBytesInto(agent, {0x31}), 0);
    EXPECT_EQ(agent.SetFromIoItem(List({List({Id("pid"), Int(5)}), List({Id("entTag"), Int(9)})})), 0);
    EXPECT_EQ(agent.GetPid(), 77);
    EXPECT_EQ(agent.GetEntTag(), tag);
    EXPECT_EQ(agent.GetCommPathLst().GetItemCnt(), 1);
    EXPECT_EQ(ReadBytesInto(agent, {0x38}), 1);

    RemoteHostEnt host(bStr("NODEB"));
    EXPECT_EQ(host.AddPath(FullPath()), 0);
    EXPECT_EQ(host.GetHost(), "NODEB");
    EXPECT_EQ(host.GetCommPathLst().GetItemCnt(), 1);
    EXPECT_EQ(host.GetRemoteAddrEntLst().GetItemCnt(), 0);
    EXPECT_EQ(TextOf(RemoteHostEntPtr(new RemoteHostEnt(bStr("NODEC")))), "(RemoteHostEnt)");
    const std::vector<char> bytes = BytesOf(host);
    const std::vector<char> expected = Bytes{}.Byte(107).Object(host.GetAddrPtr()).v;
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(host.SetFromIoItem(List({List({Id("host"), Str("NODEZ")})})), 0);
    EXPECT_EQ(host.GetHost(), "NODEB");
    std::vector<char> wrong = bytes;
    wrong[0] = 0x38;
    EXPECT_EQ(ReadBytesInto(host, wrong), 1);
    host.SetHost(bStr("NODEC"));
    EXPECT_EQ(host.GetHost(), "NODEC");

    // A host record handles no message itself.
    EXPECT_EQ(host.ReceiveMsg(BaseMsgPtr(new BaseMsg()), BasePktCtrlPtr()), BaseMsgRcvr::NOTPROCESSED);
}

// The three enumerations: each value's name both ways, and a number that
// has no name printed and read as the number.
TEST_F(PathRecords, EnumerationConverters) {
    struct Table {
        BaseEnumCvtPtr cvt;
        std::vector<const char*> names;
    };
    const Table tables[] = {
        {CommAgentEnt::GetCommAgentTypeCvtPtr(), {"OTHER", "TLI", "TTY", "SCSI", "TARGETMODE", "MANUAL", "TTYMODEM"}},
        {CommAgentEnt::GetCommAgentStatusCvtPtr(), {"UNDEFINED", "INITIALIZING", "ALIVE", "DEAD"}},
        {DestHostEnt::GetConnectionStatusCvtPtr(), {"UNDEFINED", "INITIALIZING", "ALIVE", "DEAD"}},
    };
    for (const Table& t : tables) {
        for (int v = 0; v < static_cast<int>(t.names.size()); ++v) {
            EXPECT_EQ(Text(GetIoItemFrom(v, t.cvt)), std::string("(") + t.names[v] + ")");
            int back = -1;
            EXPECT_EQ(SetFromIoItem(List({Id(t.names[v])}), back, t.cvt), 0);
            EXPECT_EQ(back, v);
        }
        EXPECT_EQ(Text(GetIoItemFrom(static_cast<int>(t.names.size()), t.cvt)),
                  "(" + std::to_string(t.names.size()) + ")");
    }

    CommAgentEnt::CommAgentType type = CommAgentEnt::TTY;
    EXPECT_EQ(Text(GetIoItemFrom(type)), "(TTY)");
    EXPECT_EQ(SetFromIoItem(List({Id("TTYMODEM")}), type), 0);
    EXPECT_EQ(type, CommAgentEnt::TTYMODEM);
    EXPECT_EQ(SetFromIoItem(List({Id("MODEM")}), type), 1);
    EXPECT_EQ(type, CommAgentEnt::TTYMODEM);
    EXPECT_EQ(SetFromIoItem(List({Int(42)}), type), 0);
    EXPECT_EQ(Text(GetIoItemFrom(type)), "(42)");
    DestHostEnt::ConnectionStatus status = DestHostEnt::ALIVE;
    EXPECT_EQ(SetFromIoItem(List({Str("DEAD")}), status), 0);
    EXPECT_EQ(status, DestHostEnt::DEAD);
    CommAgentEnt::CommAgentStatus agentStatus = CommAgentEnt::ALIVE;
    EXPECT_EQ(Text(GetIoItemFrom(agentStatus)), "(ALIVE)");
}
