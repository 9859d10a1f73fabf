// The post office's protocol, the application message and the reliable
// message home: every request, response and Message filled in and carried
// through both encodings, the responses made from their requests, and the
// wire details peers rely on.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "DynamicAddr.h"
#include "IoCons.h"
#include "IoIdent.h"
#include "IoNull.h"
#include "IoScalarCvt.h"
#include "LocalHostReliableMessageHomeReqMsg.h"
#include "LogicalAddr.h"
#include "Message.h"
#include "MxrTestSupport.h"
#include "PostOfficeCanTalkReqMsg.h"
#include "PostOfficeCreateMailBoxReqMsg.h"
#include "PostOfficeDisplayMailBoxLstRspMsg.h"
#include "PostOfficeIsHostAliveReqMsg.h"
#include "PostOfficeIsMboxEmptyReqMsg.h"
#include "PostOfficeRcvFromHostMboxRspMsg.h"
#include "PostOfficeRcvFromMboxRspMsg.h"
#include "PostOfficeRemoveMailBoxReqMsg.h"
#include "PostOfficeSendToMboxAsynchReqMsg.h"
#include "PostOfficeSendToMboxReqMsg.h"
#include "RegisterClass.h"

using namespace mxrtest;

namespace {

struct Protocol : ::testing::Test {
    RuntimeScope scope{"NODEA", 0};
    BaseAddrPtr po{new LogicalAddr(bStr("NODEB"), LogicalAddr::MXRPOSTOFFICE)};
    BaseAddrPtr client{new BaseAddr(bStr("NODEA"), 4242, 77)};

    // A request as a blocking client sends it: the from-address stamped.
    template <class R, class... A>
    TypedPtr<R> Req(A... args) {
        TypedPtr<R> r(new R(po, args...));
        r->SetFrmAddr(client);
        return r;
    }
    static BaseMsgPtr Letter(const char* text) {
        Message* m = new Message(text);
        m->SetReplyToSys("NODEA");
        m->SetReplyToMbox("replies");
        m->SetLastErr(Message::NOSUCHMBOX);
        return BaseMsgPtr(m);
    }
};

}  // namespace

// Every class of the family, with every field set to a value that is not
// its default: both encodings give back an object that prints and encodes
// identically, and of the same class.
TEST_F(Protocol, EveryClassSurvivesBothEncodingsWithItsFieldsSet) {
    auto rsp = [&](auto* r, int retVal) {
        r->SetRetVal(retVal);
        return BasePtr(r);
    };
    const auto rcv = Req<PostOfficeRcvFromMboxReqMsg>(bStr("in"), 250);
    const auto hostRcv = Req<PostOfficeRcvFromHostMboxReqMsg>(bStr("NODEC"), bStr("in"));
    const auto list = Req<PostOfficeDisplayMailBoxLstReqMsg>();
    auto* rcvRsp = new PostOfficeRcvFromMboxRspMsg(*rcv.GetPtr());
    rcvRsp->SetMsgPtr(Letter("first"));
    auto* hostRsp = new PostOfficeRcvFromHostMboxRspMsg(*hostRcv.GetPtr());
    hostRsp->SetMsgPtr(Letter("second"));
    auto* listRsp = new PostOfficeDisplayMailBoxLstRspMsg(*list.GetPtr());
    listRsp->SetMsgPtr(BaseMsgPtr(new Message("There are 0 mailboxe(s)\n")));

    const auto create = Req<PostOfficeCreateMailBoxReqMsg>(bStr("box"));
    const auto remove = Req<PostOfficeRemoveMailBoxReqMsg>(bStr("box"));
    const auto send = Req<PostOfficeSendToMboxReqMsg>(bStr("box"), Letter("payload"));
    const auto asynch = Req<PostOfficeSendToMboxAsynchReqMsg>(bStr("box"), Letter("async"));
    const auto alive = Req<PostOfficeIsHostAliveReqMsg>(bStr("NODEC"));
    const auto empty = Req<PostOfficeIsMboxEmptyReqMsg>(bStr("box"));
    const auto talk = Req<PostOfficeCanTalkReqMsg>(bStr("_CaN_tAlK_"));
    Message* full = new Message("data \"quoted\" (paren)");
    full->SetReplyToSys("NODEZ");
    full->SetReplyToMbox("zz");
    full->SetLastErr(Message::INTERNALERR);
    full->SetToAddr(po);
    const auto home = Req<LocalHostReliableMessageHomeReqMsg>(Letter("wrapped"));

    const std::vector<BasePtr> samples = {create,
                                          rsp(new PostOfficeCreateMailBoxRspMsg(*create.GetPtr()), 1),
                                          remove,
                                          rsp(new PostOfficeRemoveMailBoxRspMsg(*remove.GetPtr()), 7),
                                          send,
                                          rsp(new PostOfficeSendToMboxRspMsg(*send.GetPtr()), 1),
                                          asynch,
                                          rsp(new PostOfficeSendToMboxAsynchRspMsg(*asynch.GetPtr()), 3),
                                          rcv,
                                          rsp(rcvRsp, 0),
                                          hostRcv,
                                          rsp(hostRsp, -1),
                                          alive,
                                          rsp(new PostOfficeIsHostAliveRspMsg(*alive.GetPtr()), 1),
                                          empty,
                                          rsp(new PostOfficeIsMboxEmptyRspMsg(*empty.GetPtr()), -1),
                                          talk,
                                          rsp(new PostOfficeCanTalkRspMsg(*talk.GetPtr()), 1),
                                          list,
                                          rsp(listRsp, 0),
                                          BasePtr(full),
                                          home,
                                          rsp(new LocalHostReliableMessageHomeRspMsg(*home.GetPtr()), 1)};
    std::vector<int> codes;
    for (const BasePtr& obj : samples) {
        SCOPED_TRACE(obj->GetClassName());
        codes.push_back(obj->GetTypeId());
        ExpectBothFormsRebuild(obj);
    }
    std::vector<int> expected;
    for (int code = 87; code <= 106; ++code) expected.push_back(code);
    expected.insert(expected.end(), {108, 83, 84});
    EXPECT_EQ(codes, expected);
}

// The framework's registry loops (every registered class through both
// encodings) reach these classes only when they are registered by name.
TEST_F(Protocol, EveryClassIsRegisteredUnderItsCodeAndName) {
    const std::map<int, const char*> names = {
        {82, "LocalHost"},
        {83, "LocalHostReliableMessageHomeReqMsg"},
        {84, "LocalHostReliableMessageHomeRspMsg"},
        {85, "MailBox"},
        {86, "PostOffice"},
        {87, "PostOfficeCreateMailBoxReqMsg"},
        {88, "PostOfficeCreateMailBoxRspMsg"},
        {89, "PostOfficeRemoveMailBoxReqMsg"},
        {90, "PostOfficeRemoveMailBoxRspMsg"},
        {91, "PostOfficeSendToMboxReqMsg"},
        {92, "PostOfficeSendToMboxRspMsg"},
        {93, "PostOfficeSendToMboxAsynchReqMsg"},
        {94, "PostOfficeSendToMboxAsynchRspMsg"},
        {95, "PostOfficeRcvFromMboxReqMsg"},
        {96, "PostOfficeRcvFromMboxRspMsg"},
        {97, "PostOfficeRcvFromHostMboxReqMsg"},
        {98, "PostOfficeRcvFromHostMboxRspMsg"},
        {99, "PostOfficeIsHostAliveReqMsg"},
        {100, "PostOfficeIsHostAliveRspMsg"},
        {101, "PostOfficeIsMboxEmptyReqMsg"},
        {102, "PostOfficeIsMboxEmptyRspMsg"},
        {103, "PostOfficeCanTalkReqMsg"},
        {104, "PostOfficeCanTalkRspMsg"},
        {105, "PostOfficeDisplayMailBoxLstReqMsg"},
        {106, "PostOfficeDisplayMailBoxLstRspMsg"},
        {108, "Message"},
    };
    for (const auto& [code, name] : names) {
        RegisterClass* rec = RegisterClass::GetRegisterClassEntryFrmId(code);
        ASSERT_NE(rec, nullptr) << code;
        EXPECT_STREQ(rec->GetClassName(), name);
        EXPECT_EQ(RegisterClass::GetRegisterClassEntryFromName(name), rec);
    }
}

TEST_F(Protocol, ResponsesGoToTheRequesterAndCarryTheRequestsNames) {
    const auto rcv = Req<PostOfficeRcvFromMboxReqMsg>(bStr("in"), 9);
    const PostOfficeRcvFromMboxRspMsg r1(*rcv.GetPtr());
    EXPECT_EQ(r1.GetToAddr().GetPtr(), client.GetPtr());
    EXPECT_EQ(r1.GetMBoxName(), "in");
    EXPECT_EQ(r1.GetRetVal(), 0);
    EXPECT_EQ(r1.GetFrmAddr().GetPtr(), nullptr);

    const auto hostRcv = Req<PostOfficeRcvFromHostMboxReqMsg>(bStr("NODEC"), bStr("in2"));
    PostOfficeRcvFromHostMboxRspMsg r2(*hostRcv.GetPtr());
    EXPECT_EQ(r2.GetToAddr().GetPtr(), client.GetPtr());
    EXPECT_EQ(r2.GetHost(), "NODEC");
    EXPECT_EQ(r2.GetMBoxName(), "in2");
    EXPECT_EQ(r2.GetMsgPtr().GetPtr(), nullptr);

    // A request made outside any dispatch has no from-address: its answer
    // has no to-address.
    const PostOfficeCanTalkReqMsg bare(po, bStr("x"));
    EXPECT_EQ(bare.GetFrmAddr().GetPtr(), nullptr);
    EXPECT_EQ(bare.GetToAddr().GetPtr(), po.GetPtr());
    EXPECT_EQ(PostOfficeCanTalkRspMsg(bare).GetToAddr().GetPtr(), nullptr);
}

// The listing request is its code and the request part alone; a response
// without a message carries the null pointer (length word 0) and reads back
// empty.
TEST_F(Protocol, WireDetails) {
    const auto list = Req<PostOfficeDisplayMailBoxLstReqMsg>();
    BaseReqMsg plain;
    plain.SetToAddr(po);
    plain.SetFrmAddr(client);
    std::vector<char> expect = WireOf(BasePtr(new BaseReqMsg(plain)));
    std::vector<char> got = WireOf(list);
    ASSERT_EQ(got.size(), expect.size());
    // Past the 4-byte length word, the one-byte class code differs only.
    EXPECT_EQ(static_cast<unsigned char>(got[4]), 105);
    EXPECT_EQ(static_cast<unsigned char>(expect[4]), 12);
    got[4] = expect[4] = 0;
    EXPECT_EQ(got, expect);

    const auto rcv = Req<PostOfficeRcvFromMboxReqMsg>(bStr("in"), 1);
    BasePtr rsp(new PostOfficeRcvFromMboxRspMsg(*rcv.GetPtr()));
    PostOfficeRcvFromMboxRspMsgPtr(rsp)->SetRetVal(1);
    int rc = -9;
    PostOfficeRcvFromMboxRspMsgPtr back(FromWire(WireOf(rsp), &rc));
    ASSERT_EQ(rc, 0);
    ASSERT_TRUE(back.Ok());
    EXPECT_EQ(back->GetRetVal(), 1);
    EXPECT_EQ(back->GetMsgPtr().GetPtr(), nullptr);
    EXPECT_EQ(back->GetMBoxName(), "in");
}

// The keys and their order, as peers print and read them.
TEST_F(Protocol, PrintedFormsNameEveryFieldInWireOrder) {
    const auto send = Req<PostOfficeSendToMboxReqMsg>(bStr("box"), BaseMsgPtr(new Message("hi")));
    EXPECT_EQ(
        TextOf(send),
        "(PostOfficeSendToMboxReqMsg\n"
        "\t(toAddr LogicalAddr\n\t\t(host \"NODEB\")\n\t\t(pid 0)\n\t\t(tid 0)\n\t\t(logicalName MXRPOSTOFFICE))\n"
        "\t(frmAddr BaseAddr\n\t\t(host \"NODEA\")\n\t\t(pid 4242)\n\t\t(tid 77))\n"
        "\t(mBoxName \"box\")\n"
        "\t(msg Message\n\t\t(toAddr)\n\t\t(replyToSys \"\")\n\t\t(replyToMbox \"\")\n"
        "\t\t(dataStr \"hi\")\n\t\t(lastErr OKAY)))");
    const auto hostRcv = Req<PostOfficeRcvFromHostMboxReqMsg>(bStr("NODEC"), bStr("in"));
    PostOfficeRcvFromHostMboxRspMsgPtr rsp(new PostOfficeRcvFromHostMboxRspMsg(*hostRcv.GetPtr()));
    rsp->SetRetVal(-1);  // an int prints as its unsigned 32 bits
    EXPECT_EQ(TextOf(rsp),
              "(PostOfficeRcvFromHostMboxRspMsg\n"
              "\t(toAddr BaseAddr\n\t\t(host \"NODEA\")\n\t\t(pid 4242)\n\t\t(tid 77))\n"
              "\t(retVal 4294967295)\n\t(msgPtr)\n\t(host \"NODEC\")\n\t(mBoxName \"in\"))");
    const auto rcv = Req<PostOfficeRcvFromMboxReqMsg>(bStr("in"), 30);
    EXPECT_NE(TextOf(rcv).find("\t(mBoxName \"in\")\n\t(waitTimer 30))"), std::string::npos);
    EXPECT_NE(TextOf(Req<PostOfficeIsHostAliveReqMsg>(bStr("NODEC"))).find("\t(hostName \"NODEC\"))"),
              std::string::npos);
}

// Reading an s-expression: a missing key leaves its field alone; a base part
// that fails gives its result even when every own field is read.
TEST_F(Protocol, TextReadingOfMissingKeysAndFailingBaseParts) {
    const auto rcv = Req<PostOfficeRcvFromMboxReqMsg>(bStr("in"), 1);
    auto pair = [](const char* key, const IoItemPtr& v) {
        return IoItemPtr(new IoCons(IoItemPtr(new IoIdent(key)), v));
    };
    auto list = [](std::vector<IoItemPtr> items) {
        IoItemPtr l = IoNull::GetGlobalIoNullPtr();
        for (auto it = items.rbegin(); it != items.rend(); ++it) l = IoItemPtr(new IoCons(*it, l));
        return l;
    };
    PostOfficeRcvFromMboxReqMsg target(po, bStr("old"), 1234);
    // Only the name: waitTimer stays 1234.
    IoItemPtr onlyName = list({pair("mBoxName", GetIoItemFrom(bStr("new")))});
    EXPECT_EQ(target.SetFromIoItem(onlyName), 0);
    EXPECT_EQ(target.GetMBoxName(), "new");
    EXPECT_EQ(target.GetWaitTimer(), 1234);

    // A from-address that is no address tree fails the base part; the own
    // fields are still read.
    IoItemPtr badBase = list({pair("frmAddr", GetIoItemFrom(5)), pair("waitTimer", GetIoItemFrom(9))});
    EXPECT_NE(target.SetFromIoItem(badBase), 0);
    EXPECT_EQ(target.GetWaitTimer(), 9);
}

TEST(MessageClass, ConstructionAndTheNamesOfItsOutcomes) {
    const Message fromText("hello");
    EXPECT_EQ(fromText.GetDataStr(), "hello");
    EXPECT_EQ(fromText.GetReplyToSys(), "");
    EXPECT_EQ(fromText.GetReplyToMbox(), "");
    EXPECT_EQ(fromText.GetLastErr(), Message::OKAY);
    EXPECT_EQ(Message(nullptr).GetDataStr(), "");
    EXPECT_EQ(fromText.GetFrmAddr().GetPtr(), nullptr);

    const char* names[] = {"OKAY",      "NOKAY",           "NOSUCHMBOX",     "BADREQMSG",
                           "NOMESSAGE", "SYNCHSENDFAILED", "SYNCHRCVFAILED", "INTERNALERR"};
    for (int v = 0; v <= 7; ++v) {
        MessagePtr m(new Message("x"));
        m->SetLastErr(static_cast<Message::enMessageErr>(v));
        const std::string text = TextOf(m);
        EXPECT_NE(text.find(std::string("(lastErr ") + names[v] + ")"), std::string::npos) << text;
        int rc = -9;
        MessagePtr back(FromTree(m, &rc));
        ASSERT_EQ(rc, 0);
        EXPECT_EQ(back->GetLastErr(), v);
        back = FromWire(WireOf(m), &rc);
        ASSERT_EQ(rc, 0);
        EXPECT_EQ(back->GetLastErr(), v);
    }
}
