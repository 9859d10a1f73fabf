// Message classes written as a declaration alone: the generated classes carry
// their fields in both forms, byte for byte, with the keys as declared.
#include <gtest/gtest.h>

#include <string>

#include "ClassDefine.h"
#include "CoreTestClasses.h"
#include "IoObjectCvt.h"
#include "IoTestTrees.h"
#include "MessageDeclare.h"
#include "RuntimeTestSupport.h"
#include "WireTestClasses.h"

// A request with a string, an enumeration, a key with a trailing blank, a
// pointer to a declared class and an untyped message; its answer is retVal.
MXR_REQUEST_WITH_RETVAL(DeclaredAskReqMsg, DeclaredAskRspMsg,
                        (bStr, remoteHostName, "remoteHostName", Get(GetRemoteHostName)),
                        (Probe::Colour, colour, "colour", Get(GetColour)),
                        (int, baudRate, "baudRate ", Ref(GetBaudRate)),
                        (ProbePtr, probe, "probe", Get(GetProbe)),
                        (BaseMsgPtr, initMsg, "initMsg", Get(GetInitMsg)));
// An answer without retVal, and one that copies a field of its request.
MXR_RESPONSE(DeclaredQuietRspMsg, DeclaredAskReqMsg);
MXR_RESPONSE(DeclaredCopyRspMsg, DeclaredAskReqMsg,
             (bStr, remoteHostName, "remoteHostName", Get(GetRemoteHostName), FromRequest(GetRemoteHostName)),
             (long, pid, "pid", Get(GetPid), Set(SetPid)));
// A class none of whose fields travel, and a notice.
MXR_REQUEST(DeclaredBareReqMsg);
MXR_NOTICE(DeclaredNoticeMsg, BaseMsg, (long, pid, "pid", Get(GetPid)));

// A record that is no message and carries none of its fields.
class DeclaredRecord : public BaseVirtItem {
    MXR_CLASS(DeclaredRecord, BaseVirtItem);

public:
    MXR_DECLARED_FIELDS((int, entTag, "entTag", Get(GetEntTag), Set(SetEntTag), Unsent),
                        (bStr, localAlias, "localAlias", Ref(GetLocalAlias), Unsent));
};
MXR_COMPANIONS(DeclaredRecord);

MXR_CLASS_DEFINE(DeclaredRecord);
MXR_CLASS_DEFINE(DeclaredAskReqMsg);
MXR_CLASS_DEFINE(DeclaredAskRspMsg);
MXR_CLASS_DEFINE(DeclaredQuietRspMsg);
MXR_CLASS_DEFINE(DeclaredCopyRspMsg);
MXR_CLASS_DEFINE(DeclaredBareReqMsg);
MXR_CLASS_DEFINE(DeclaredNoticeMsg);

namespace {


BaseMsgPtr FromText(const IoItemPtr& tree) {
    BasePtr back;
    if (MxrSetPointerFromIoItem(tree, back, BaseMsg::ClassCode, MxrDecodePlace::TopOfMessage) != 0) return BaseMsgPtr();
    return BaseMsgPtr(back);
}

DeclaredAskReqMsgPtr Sample() {
    Probe* probe = new Probe(7);
    probe->colour = Probe::RED;
    return DeclaredAskReqMsgPtr(
        new DeclaredAskReqMsg(BaseAddrPtr(), bStr("ab"), Probe::BLUE, 9600, ProbePtr(probe), BaseMsgPtr()));
}

}  // namespace

TEST(MessageDeclare, ADeclaredRequestHasItsExactBytesAndReadsBackInBothForms) {
    RuntimeScope scope;
    DeclaredAskReqMsgPtr req = Sample();
    const Bytes golden = Hex(
        "C1 02 00 00 00 00 00 00 00 00 02 61 62 02 00 00 00 80 25 00 00"
        " 0E 00 00 00 C9 01 07 00 00 00 01 00 00 00 00 00 00 00 00 00 00 00");
    EXPECT_EQ(SerializeOf(*req.GetPtr()), golden);

    const DeclaredAskReqMsgPtr fromWire(MessageOf(golden));
    ASSERT_TRUE(fromWire.Ok());
    EXPECT_EQ(std::string(fromWire->GetRemoteHostName().StrVal()), "ab");
    EXPECT_EQ(fromWire->GetColour(), Probe::BLUE);
    EXPECT_EQ(fromWire->GetBaudRate(), 9600);
    ASSERT_TRUE(fromWire->GetProbe().Ok());
    EXPECT_EQ(fromWire->GetProbe()->label, 7);
    EXPECT_EQ(fromWire->GetInitMsg().GetPtr(), nullptr);
    EXPECT_EQ(SerializeOf(*fromWire.GetPtr()), golden);

    const IoItemPtr tree = req->GetIoItemFrom();
    const std::string text = Text(tree);
    EXPECT_NE(text.find("(colour BLUE)"), std::string::npos) << text;
    // The key keeps its trailing blank.
    const IoItemPtr fields = IoConsPtr(tree)->GetCdr();
    EXPECT_NE(MxrFieldOf(fields, "baudRate ").GetRefPtr(), nullptr);
    EXPECT_EQ(MxrFieldOf(fields, "baudRate").GetRefPtr(), nullptr);
    const DeclaredAskReqMsgPtr fromText(FromText(tree));
    ASSERT_TRUE(fromText.Ok());
    EXPECT_EQ(fromText->GetBaudRate(), 9600);
    EXPECT_EQ(Text(fromText->GetIoItemFrom()), text);
    EXPECT_EQ(SerializeOf(*fromText.GetPtr()), golden);

    // The reference accessor changes the field.
    fromText->GetBaudRate() = 19200;
    EXPECT_EQ(fromText->GetBaudRate(), 19200);
}

TEST(MessageDeclare, APointerFieldTakesOnlyItsDeclaredClass) {
    RuntimeScope scope;
    // The sample's bytes with a Dog where the Probe stood.
    Bytes bytes = Hex("C1 02 00 00 00 00 00 00 00 00 02 61 62 02 00 00 00 80 25 00 00");
    BasePtr dog(new Dog());
    const Bytes dogField = PointerFormOf(dog);
    bytes.insert(bytes.end(), dogField.begin(), dogField.end());
    const Bytes noInit = Hex("00 00 00 00");
    bytes.insert(bytes.end(), noInit.begin(), noInit.end());
    EXPECT_EQ(MessageOf(bytes).GetPtr(), nullptr);
    // The same in the text form.
    const IoItemPtr tree = List({Id("DeclaredAskReqMsg"), List({Id("probe"), Id("Dog")})});
    EXPECT_EQ(FromText(tree).GetPtr(), nullptr);
    // (A Probe written with none of its fields would fail on its own: every
    // key then reads the empty list.)
    EXPECT_TRUE(
        FromText(List({Id("DeclaredAskReqMsg"), List({Id("probe"), Id("Probe"), List({Id("label"), Int(1)})})})).Ok());
}

TEST(MessageDeclare, AnswersAndNoticesFollowTheirDeclaration) {
    RuntimeScope scope;
    DeclaredAskReqMsgPtr req = Sample();
    DynamicAddrPtr from(new DynamicAddr(3, 4));
    req->SetFrmAddr(BaseAddrPtr(from));

    BasePtr fromField(from);
    const Bytes to = PointerFormOf(fromField);
    auto wire = [&](const char* code, const char* tail) {
        Bytes out = Hex(code);
        out.insert(out.end(), to.begin(), to.end());
        const Bytes rest = Hex(tail);
        out.insert(out.end(), rest.begin(), rest.end());
        return out;
    };

    DeclaredAskRspMsg answer(*req.GetPtr());
    answer.SetRetVal(5);
    EXPECT_EQ(answer.GetToAddr().GetPtr(), from.GetPtr());
    // Code 322, the to-address, retVal.
    EXPECT_EQ(SerializeOf(answer), wire("C2 02", "05 00 00 00"));
    EXPECT_EQ(Text(answer.GetIoItemFrom()).find("(retVal 5)") != std::string::npos, true);

    // No retVal at all: the code and the base part alone.
    DeclaredQuietRspMsg quiet(*req.GetPtr());
    EXPECT_EQ(SerializeOf(quiet), wire("C3 02", ""));
    EXPECT_EQ(Text(quiet.GetIoItemFrom()).find("retVal"), std::string::npos);

    DeclaredCopyRspMsg copy(*req.GetPtr());
    EXPECT_EQ(std::string(copy.GetRemoteHostName().StrVal()), "ab");
    copy.SetPid(77);
    const DeclaredCopyRspMsgPtr back(MessageOf(SerializeOf(copy)));
    ASSERT_TRUE(back.Ok());
    EXPECT_EQ(back->GetPid(), 77);
    EXPECT_EQ(std::string(back->GetRemoteHostName().StrVal()), "ab");

    DeclaredBareReqMsg bare{BaseAddrPtr(from)};
    // The to-address, and the from-address of a request made outside a dispatch.
    EXPECT_EQ(SerializeOf(bare), wire("C5 02", "00 00 00 00"));
    DeclaredNoticeMsg notice(BaseAddrPtr(from), 12);
    EXPECT_EQ(notice.GetPid(), 12);
    EXPECT_EQ(notice.GetFrmAddr().GetPtr(), nullptr);
    const DeclaredNoticeMsgPtr noticeBack(FromText(notice.GetIoItemFrom()));
    ASSERT_TRUE(noticeBack.Ok());
    EXPECT_EQ(noticeBack->GetPid(), 12);
}

TEST(MessageDeclare, ARecordThatCarriesNoneOfItsFieldsIsItsCodeAndNameAlone) {
    DeclaredRecord record;
    record.SetEntTag(4);
    record.GetLocalAlias() = "alias";
    EXPECT_EQ(SerializeOf(record), Hex("C6 02"));
    EXPECT_EQ(Text(record.GetIoItemFrom()), "(DeclaredRecord)");

    DeclaredRecord back;
    back.SetEntTag(9);
    Reader r = ReaderOf(Hex("C6 02"));
    EXPECT_EQ(back.Serialize(*r), 0);
    EXPECT_EQ(back.GetEntTag(), 9);
    EXPECT_EQ(back.SetFromIoItem(List({List({Id("entTag"), Int(1)})})), 0);
    EXPECT_EQ(back.GetEntTag(), 9);
}
