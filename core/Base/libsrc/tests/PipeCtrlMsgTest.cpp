// Pipe control messages: their wire bytes, both encodings round trip, and the
// type test that tells them from ordinary messages.
#include <gtest/gtest.h>

#include "BaseErrMsg.h"
#include "IoObjectCvt.h"
#include "PipeDeRegMsg.h"
#include "PipeHeartBeatMsg.h"
#include "PipeInitMsg.h"
#include "PipeRegMsg.h"
#include "RegisterClass.h"
#include "WireTestClasses.h"

namespace {

// Decodes the bytes as the pipe endpoint does: the registered class of the
// leading code reads itself.
BasePtr Decode(const Bytes& wire) {
    Reader r = ReaderOf(wire);
    BasePtr back;
    BasePtr holder;
    // The class code comes first; the factory of that code reads the rest.
    RegisterClass* rec = RegisterClass::GetRegisterClassEntryFrmId(wire.empty() ? -1 : wire[0]);
    if (rec == nullptr || rec->GetNewFuncPtr() == nullptr) return back;
    holder = rec->GetNewFuncPtr()();
    if (holder->Serialize(*r) == 0 && r->GetRemainingByteCnt() == 0) back = holder;
    return back;
}

}  // namespace

TEST(PipeCtrlMsg, WireBytesAreTheCodeANullToAddressAndTheFieldsInOrder) {
    struct Case {
        const char* what;
        BasePtr msg;
        const char* hex;
    };
    const Case cases[] = {
        // code 39, toAddr null (length word 0), "NODEA", pid 7, tid 8, 520
        {"init", BasePtr(new PipeInitMsg("NODEA", 7, 8, 520)),
         "27 00 00 00 00 05 4E 4F 44 45 41 07 00 00 00 08 00 00 00 08 02 00 00"},
        {"init, empty host", BasePtr(new PipeInitMsg("", 0, 0, 0)),
         "27 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"},
        {"reg", BasePtr(new PipeRegMsg("B", -1, 2, 5)),
         "2B 00 00 00 00 01 42 FF FF FF FF 02 00 00 00 05 00 00 00"},
        {"dereg", BasePtr(new PipeDeRegMsg("B", 1, 2)),
         "2C 00 00 00 00 01 42 01 00 00 00 02 00 00 00 00 00 00 00"},
        {"base", BasePtr(new BasePipeMsg()), "08 00 00 00 00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes wire = SerializeOf(*c.msg.GetPtr());
        EXPECT_EQ(wire, Hex(c.hex));
        BasePtr back = Decode(wire);
        ASSERT_NE(back.GetPtr(), nullptr);
        EXPECT_EQ(back->GetTypeId(), c.msg->GetTypeId());
        EXPECT_EQ(SerializeOf(*back.GetPtr()), wire);
    }
}

TEST(PipeCtrlMsg, FieldsSurviveBothEncodings) {
    PipeInitMsgPtr init(new PipeInitMsg("HOSTX", 123456, 654321, 0xFFFFFFFFu));
    PipeInitMsgPtr bin(Decode(SerializeOf(*init.GetPtr())));
    ASSERT_TRUE(bin.Ok());
    EXPECT_EQ(bin->GetHost(), bStr("HOSTX"));
    EXPECT_EQ(bin->GetPid(), 123456);
    EXPECT_EQ(bin->GetTid(), 654321);
    EXPECT_EQ(bin->GetMax_pkt_size(), 0xFFFFFFFFu);

    BasePtr text;
    ASSERT_EQ(SetFromIoItem(init->GetIoItemFrom(), text), 0);
    PipeInitMsgPtr fromText(text);
    ASSERT_TRUE(fromText.Ok());
    EXPECT_EQ(fromText->GetHost(), bStr("HOSTX"));
    EXPECT_EQ(fromText->GetPid(), 123456);
    EXPECT_EQ(fromText->GetTid(), 654321);
    EXPECT_EQ(fromText->GetMax_pkt_size(), 0xFFFFFFFFu);

    PipeRegMsgPtr reg(new PipeRegMsg("R", 3, 4, -9));
    ASSERT_EQ(SetFromIoItem(reg->GetIoItemFrom(), text), 0);
    PipeRegMsgPtr regBack(text);
    ASSERT_TRUE(regBack.Ok());
    EXPECT_EQ(regBack->GetComPriority(), -9);
    EXPECT_EQ(regBack->GetHost(), bStr("R"));

    PipeHeartBeatMsgPtr hb(new PipeHeartBeatMsg());
    hb->IncCount();
    hb->IncCount();
    PipeHeartBeatMsgPtr hbBack(Decode(SerializeOf(*hb.GetPtr())));
    ASSERT_TRUE(hbBack.Ok());
    EXPECT_EQ(hbBack->GetCount(), 2);
    hbBack->SetCount(0x7FFFFFFF);
    hbBack->IncCount();  // wraps without overflow
    EXPECT_EQ(hbBack->GetCount(), static_cast<int>(0x80000000u));
}

TEST(PipeCtrlMsg, TheTypeTestTellsControlMessagesFromOrdinaryOnes) {
    PipeHeartBeatMsg hb;
    for (int code : {38, 8, 6, 16}) EXPECT_EQ(hb.IsOfType(code), 1) << code;
    EXPECT_EQ(hb.IsOfType(39), 0);
    BaseErrMsg ordinary;
    EXPECT_EQ(ordinary.IsOfType(BasePipeMsg::ClassCode), 0);
    EXPECT_EQ(PipeDeRegMsg().IsOfType(BasePipeMsg::ClassCode), 1);
    EXPECT_EQ(PipeDeRegMsg().IsOfType(PipeRegMsg::ClassCode), 0);
    // The registry knows every one by name and code.
    const struct {
        const char* name;
        int code;
    } names[] = {{"BasePipeMsg", 8}, {"PipeHeartBeatMsg", 38}, {"PipeInitMsg", 39}, {"PipeRegMsg", 43}, {"PipeDeRegMsg", 44}};
    for (const auto& n : names) {
        RegisterClass* rec = RegisterClass::GetRegisterClassEntryFrmId(n.code);
        ASSERT_NE(rec, nullptr) << n.name;
        EXPECT_STREQ(rec->GetClassName(), n.name);
    }
}

TEST(PipeCtrlMsg, DefaultsAreEmptyAndThreeFieldConstructorsCarryPriorityZero) {
    PipeInitMsg init;
    EXPECT_EQ(init.GetHost(), bStr(""));
    EXPECT_EQ(init.GetPid(), 0);
    EXPECT_EQ(init.GetTid(), 0);
    EXPECT_EQ(init.GetMax_pkt_size(), 0u);
    EXPECT_EQ(PipeRegMsg("H", 1, 2).GetComPriority(), 0);
    EXPECT_EQ(PipeDeRegMsg("H", 1, 2).GetComPriority(), 0);
    EXPECT_EQ(PipeHeartBeatMsg().GetCount(), 0);
    EXPECT_EQ(init.GetToAddr().GetPtr(), nullptr);
}
