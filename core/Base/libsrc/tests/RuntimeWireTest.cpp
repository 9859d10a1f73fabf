// The runtime's classes in both encodings: golden bytes of addresses and
// messages, rows and receivers that keep their process-local fields to
// themselves, messages rebuilt from packets, and names of enumerations.
#include <gtest/gtest.h>

#include <string>

#include "BaseAddrEnt.h"
#include "BaseErrMsg.h"
#include "BaseWorld.h"
#include "DynamicAddr.h"
#include "DynamicAddrEnt.h"
#include "IoTestTrees.h"
#include "LogicalAddr.h"
#include "LogicalAddrEnt.h"
#include "PipePktCtrl.h"
#include "RuntimeTestClasses.h"
#include "RuntimeTestSupport.h"
#include "WireTestClasses.h"

namespace {
}  // namespace

TEST(RuntimeWire, AddressesHaveTheirGoldenBytes) {
    RuntimeScope scope("NODEA");
    LogicalAddr po(LogicalAddr::MXRPOSTOFFICE);
    EXPECT_EQ(SerializeOf(po), Hex("1E 00 00 00 00 00 00 00 00 00 05 00 00 00"));
    DynamicAddr d(3, 0x0102);
    d.SetPid(0x01020304);
    d.SetTid(-1);
    EXPECT_EQ(SerializeOf(d), Hex("12 05 4E 4F 44 45 41 04 03 02 01 FF FF FF FF 03 00 02 01"));
    BaseAddr b(bStr("H"), 1, 2);
    EXPECT_EQ(SerializeOf(b), Hex("02 01 48 01 00 00 00 02 00 00 00"));
}

TEST(RuntimeWire, AddressesReadBackWhatTheyWrote) {
    RuntimeScope scope("NODEA");
    LogicalAddr agent(bStr("NODEB"), 77, -5, LogicalAddr::COMMAGENTMSGRCVR);
    LogicalAddr back;
    Reader r = ReaderOf(SerializeOf(agent));
    ASSERT_EQ(back.Serialize(*r), 0);
    EXPECT_STREQ(back.GetHost().StrVal(), "NODEB");
    EXPECT_EQ(back.GetPid(), 77);
    EXPECT_EQ(back.GetTid(), -5);
    EXPECT_EQ(back.GetLogicalName(), LogicalAddr::COMMAGENTMSGRCVR);
    // Another class's bytes are refused.
    DynamicAddr wrong;
    Reader r2 = ReaderOf(SerializeOf(agent));
    EXPECT_EQ(wrong.Serialize(*r2), 1);
}

TEST(RuntimeWire, RowsCarryOnlyTheirClassCode) {
    RuntimeScope scope;
    BaseAddrEntPtr route(new BaseAddrEnt(bStr("NODEB"), 4, 5, 6, nullptr));
    EXPECT_EQ(SerializeOf(*route.GetPtr()), Hex("03"));
    DynamicAddrEnt row(nullptr);
    EXPECT_EQ(SerializeOf(row), Hex("13"));
    LogicalAddrEnt blank;
    EXPECT_EQ(SerializeOf(blank), Hex("1F"));
    EXPECT_EQ(Text(row), "(DynamicAddrEnt)");
    EXPECT_EQ(Text(blank), "(LogicalAddrEnt)");
    EXPECT_EQ(row.SetFromIoItem(route->GetIoItemFrom()), 0);
}

TEST(RuntimeWire, MessagesHaveTheirGoldenBytes) {
    RuntimeScope scope("NODEA");
    BaseErrMsg none;
    EXPECT_EQ(SerializeOf(none), Hex("05 00 00 00 00"));
    BaseErrMsg err(BaseAddrPtr(new LogicalAddr(LogicalAddr::MXRADMIN)));
    EXPECT_EQ(SerializeOf(err), Hex("05 0E 00 00 00 1E 00 00 00 00 00 00 00 00 00 07 00 00 00"));
    PingReqMsg req(BaseAddrPtr(), 9);
    req.SetFrmAddr(BaseAddrPtr(new LogicalAddr(LogicalAddr::MXRDEBUG)));
    EXPECT_EQ(SerializeOf(req), Hex("B6 02 00 00 00 00 0E 00 00 00 1E 00 00 00 00 00 00 00 00 00 04 00 00 00 09 00 00 00"));
}

TEST(RuntimeWire, AMessageIsRebuiltFromItsPackets) {
    RuntimeScope scope("NODEA");
    PingReqMsg req(BaseAddrPtr(new LogicalAddr(bStr("NODEB"), LogicalAddr::MXRPOSTOFFICE)), 42);
    req.SetFrmAddr(BaseAddrPtr(new DynamicAddr(7, 8)));
    BaseMsgPtr back = MessageOf(SerializeOf(req));
    ASSERT_TRUE(back.Ok());
    PingReqMsgPtr typed(back);
    ASSERT_TRUE(typed.Ok());
    EXPECT_EQ(typed->n, 42);
    LogicalAddrPtr to(typed->GetToAddr());
    ASSERT_TRUE(to.Ok());
    EXPECT_STREQ(to->GetHost().StrVal(), "NODEB");
    EXPECT_EQ(to->GetLogicalName(), LogicalAddr::MXRPOSTOFFICE);
    DynamicAddrPtr frm(typed->GetFrmAddr());
    ASSERT_TRUE(frm.Ok());
    EXPECT_EQ(frm->GetIdx(), 7);
    EXPECT_EQ(frm->GetUniq(), 8);
}

TEST(RuntimeWire, UndecodableBytesGiveAnEmptyPointer) {
    RuntimeScope scope;
    EXPECT_EQ(MessageOf(Hex("7F 00")).BasePtr::GetPtr(), nullptr);  // code 127 is no class
    EXPECT_EQ(MessageOf(Hex("")).BasePtr::GetPtr(), nullptr);       // nothing
    EXPECT_EQ(MessageOf(Hex("80")).BasePtr::GetPtr(), nullptr);     // the code itself cut short
    // The object fails to read itself: it is dropped.
    EXPECT_EQ(MessageOf(Hex("05 0E 00 00 00 1E 00 00")).BasePtr::GetPtr(), nullptr);
    // An object that is no message is not made at all.
    EXPECT_EQ(MessageOf(Hex("02 01 48 01 00 00 00 02 00 00 00")).BasePtr::GetPtr(), nullptr);
    BasePktCtrlPtr noCtrl;
    EXPECT_EQ(BaseMsgPtr(noCtrl).BasePtr::GetPtr(), nullptr);
}

TEST(RuntimeWire, ReceiversCarryTheirAddressButNotTheirRow) {
    RuntimeScope scope("NODEA");
    RecordingRcvr r;
    RecordingRcvr other;
    const unsigned short otherIdx = other.GetAddrPtr()->GetIdx();
    Reader rd = ReaderOf(SerializeOf(r));
    ASSERT_EQ(other.Serialize(*rd), 0);
    // The address read is r's; the rows stay where they were.
    EXPECT_EQ(other.GetAddrPtr()->GetIdx(), r.GetAddrPtr()->GetIdx());
    EXPECT_EQ(r.GetAddrPtr()->GetMsgRcvrAddr(), &r);
    EXPECT_EQ(DynamicAddrEnt::GetDynamicAddrTblPtr()[otherIdx]->GetMsgRcvrPtr(), &other);
    const std::string text = Text(r);
    EXPECT_EQ(text.rfind("(RecordingRcvr", 0), 0u) << text;
    EXPECT_NE(text.find("(addrPtr DynamicAddr"), std::string::npos) << text;
    EXPECT_EQ(text.find("dynamicAddrEntPtr"), std::string::npos) << text;
}

TEST(RuntimeWire, EnumerationsHaveTheirNames) {
    RuntimeScope scope;
    BaseEnumCvtPtr names = LogicalAddr::GetEnLogicalNameCvtPtr();
    const char* expect[] = {"MXRROUTEERRORHDLR", "MXRERRORHDLR", "MXRLOGGING", "MXRDEBUG",
                            "MXRPOSTOFFICE",     "MXRLOCALHOST", "MXRADMIN",   "COMMAGENTMSGRCVR"};
    for (int v = 1; v <= 8; ++v) EXPECT_STREQ(names->GetStr(v).StrVal(), expect[v - 1]);
    EXPECT_EQ(names->GetStr(0).StrLen(), 0);
    LogicalAddr po(bStr("NODEB"), LogicalAddr::MXRPOSTOFFICE);
    const std::string text = Text(po);
    EXPECT_NE(text.find("(logicalName MXRPOSTOFFICE)"), std::string::npos) << text;
    LogicalAddr back;
    EXPECT_EQ(back.SetFromIoItem(po.GetIoItemFrom()), 0);
    EXPECT_EQ(back.GetLogicalName(), LogicalAddr::MXRPOSTOFFICE);
    EXPECT_STREQ(back.GetHost().StrVal(), "NODEB");
}
