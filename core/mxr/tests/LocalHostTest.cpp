// The local host receiver beside the post office: its logical name, and the
// reliable message home with a message, without one, with an object that is
// no message, and with a message that could only be dropped.
#include <gtest/gtest.h>

#include "LocalHost.h"
#include "LocalHostReliableMessageHomeReqMsg.h"
#include "LogicalAddrEnt.h"
#include "PostOfficeWorld.h"

using namespace mxrtest;

namespace {

struct LocalHostHome : ::testing::Test {
    PostOfficeWorld w;
    LocalHost home;

    // The request of client c1 to send wrapped on; the world's stderr.
    std::string Home(const BaseMsgPtr& wrapped) {
        BaseMsgPtr req(new LocalHostReliableMessageHomeReqMsg(
            BaseAddrPtr(new LogicalAddr(bStr("NODEA"), LogicalAddr::MXRLOCALHOST)), wrapped));
        req->SetFrmAddr(PostOfficeWorld::Client("c1"));
        return w.Deliver(req);
    }
    // The RetVal of the one home answer among what left, and the other lines.
    int HomeAnswer(std::vector<std::string>* others) {
        int retVal = -99;
        std::vector<BaseMsgPtr> rest;
        for (const BaseMsgPtr& m : w.out) {
            LocalHostReliableMessageHomeRspMsgPtr rsp(m);
            if (rsp.Ok()) {
                EXPECT_EQ(PostOfficeWorld::NameOf(m->GetToAddr()), "c1");
                retVal = rsp->GetRetVal();
            } else {
                rest.push_back(m);
            }
        }
        w.out = rest;
        *others = w.Answers();
        return retVal;
    }
};

}  // namespace

TEST_F(LocalHostHome, ServesLogicalNameSixForItsLife) {
    EXPECT_EQ(LogicalAddrEnt::LookUpName(LogicalAddr::MXRLOCALHOST), &home);
    {
        ::testing::internal::CaptureStderr();
        LocalHost other;
        ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(LogicalAddr(bStr("NODEA"), LogicalAddr::MXRLOCALHOST).GetMsgRcvrAddr(), &other);
    }
    EXPECT_EQ(LogicalAddrEnt::LookUpName(LogicalAddr::MXRLOCALHOST), nullptr);
}

// A wrapped post office request of c2 goes on from inside the manager: the
// post office answers c2, and c1 learns that it was sent on.
TEST_F(LocalHostHome, SendsAWrappedMessageOnAndAnswersOne) {
    w.Setup("box:|");
    const std::string log = Home(PostOfficeWorld::Request("c2", "send box m1"));
    EXPECT_EQ(log, "");
    std::vector<std::string> others;
    EXPECT_EQ(HomeAnswer(&others), 1);
    EXPECT_EQ(others, std::vector<std::string>{"c2 Send 0"});
    EXPECT_EQ(w.State(), "box:m1|");
}

TEST_F(LocalHostHome, AnswersZeroWhenThereIsNothingToSend) {
    std::vector<std::string> others;
    EXPECT_EQ(Home(BaseMsgPtr()), "ReliableMessageHome got Invalid Msg\n");
    EXPECT_EQ(HomeAnswer(&others), 0);
    // An object that is no message (here an address) is not sent either.
    EXPECT_EQ(Home(BaseMsgPtr(BasePtr(new BaseAddr()))), "ReliableMessageHome got Invalid Msg\n");
    EXPECT_EQ(HomeAnswer(&others), 0);
    EXPECT_TRUE(others.empty());
}

// A message whose to-address leads nowhere from the manager would only be
// dropped by the loop: it is not sent, and the answer says so.
TEST_F(LocalHostHome, AnswersZeroForAMessageThatCannotBeDelivered) {
    BaseMsgPtr lost = PostOfficeWorld::Letter("nowhere");
    lost->SetToAddr(PostOfficeWorld::Client("cG"));
    EXPECT_EQ(Home(lost), "ReliableMessageHome cannot deliver Message\n");
    std::vector<std::string> others;
    EXPECT_EQ(HomeAnswer(&others), 0);
    EXPECT_TRUE(others.empty());

    // Through a route it is delivered: the agent's pipe takes it.
    BaseMsgPtr remote = PostOfficeWorld::Letter("far");
    remote->SetToAddr(PostOfficeWorld::Client("cR"));
    EXPECT_EQ(Home(remote), "");
    EXPECT_EQ(HomeAnswer(&others), 1);
    EXPECT_EQ(others, std::vector<std::string>{"cR Message"});
}

TEST_F(LocalHostHome, OtherMessagesGetThePlainReceiversHandling) {
    BaseMsgPtr letter = PostOfficeWorld::Letter("x");
    letter->SetToAddr(BaseAddrPtr(new LogicalAddr(bStr("NODEA"), LogicalAddr::MXRLOCALHOST)));
    EXPECT_EQ(w.Deliver(letter), "BaseWorld::Run() - Message not processed\n");
    EXPECT_TRUE(w.out.empty());
}

TEST_F(LocalHostHome, EncodingsShowTheClassAndCarryTheReceiverAddress) {
    ::testing::internal::CaptureStderr();  // second registrations of names 5 and 6 warn
    EXPECT_EQ(TextOf(LocalHostPtr(new LocalHost())), "(LocalHost)");
    EXPECT_EQ(TextOf(PostOfficePtr(new PostOffice())), "(PostOffice)");
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(TextOf(MailBoxPtr(new MailBox())), "(MailBox)");

    // Binary: the class code, then the receiver's own address as an object
    // field (4-byte length word, DynamicAddr's code 18).
    for (BaseMsgRcvr* rcvr : {static_cast<BaseMsgRcvr*>(&home), static_cast<BaseMsgRcvr*>(&w.po)}) {
        PipePktCtrl c;
        ASSERT_EQ(rcvr->Serialize(c), 0);
        c.SetDirection(BasePktCtrl::OUTOFPKT);
        c.SetOffset(0);
        std::vector<char> bytes(static_cast<size_t>(c.GetRemainingByteCnt()));
        ASSERT_GT(bytes.size(), 6u);
        c.DoBytes(bytes.data(), static_cast<int>(bytes.size()));
        EXPECT_EQ(static_cast<unsigned char>(bytes[0]), rcvr->GetTypeId());
        EXPECT_EQ(static_cast<unsigned char>(bytes[5]), 18);
    }
    // A mailbox never leaves the manager: its code alone.
    MailBox box;
    box.SetMboxName("kept here");
    PipePktCtrl c;
    ASSERT_EQ(box.Serialize(c), 0);
    c.SetDirection(BasePktCtrl::OUTOFPKT);
    c.SetOffset(0);
    EXPECT_EQ(c.GetRemainingByteCnt(), 1);
}
