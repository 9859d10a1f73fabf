// The post office over several requests and turns: order of messages and of
// waiting receives, a waiting receive released later, the administrator's
// report that a host dropped out of reach, its logical name and liveness
// default, requests it must refuse, and messages it carries without looking
// inside (large ones, and objects of classes the manager does not know).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LocalPktCtrl.h"
#include "LogicalAddrEnt.h"
#include "PostOfficeWorld.h"
#include "ThisHostLiveness.h"

using namespace mxrtest;

namespace {

struct PostOfficeFlow : ::testing::Test {
    PostOfficeWorld w;
    std::vector<std::string> Ask(const std::string& from, const std::string& request) {
        w.Deliver(PostOfficeWorld::Request(from, request));
        return w.Answers();
    }
};

using Lines = std::vector<std::string>;

}  // namespace

TEST_F(PostOfficeFlow, MessagesAndWaitingReceivesAreServedOldestFirst) {
    w.Setup("box:|");
    std::vector<BaseMsgPtr> batch;
    for (int i = 1; i <= 30; ++i) batch.push_back(PostOfficeWorld::Request("c1", "send box m" + std::to_string(i)));
    w.Deliver(batch);
    EXPECT_EQ(w.Answers(), Lines(30, "c1 Send 0"));
    batch.clear();
    for (int i = 1; i <= 30; ++i) batch.push_back(PostOfficeWorld::Request(i % 2 ? "c2" : "cR", "rcv box"));
    w.Deliver(batch);
    Lines got = w.Answers();
    ASSERT_EQ(got.size(), 30u);
    for (int i = 1; i <= 30; ++i)
        EXPECT_EQ(got[i - 1], std::string(i % 2 ? "c2" : "cR") + " Rcv 0 m" + std::to_string(i) + " box");

    // Three receives wait, in the order they came; sends serve them so.
    w.Deliver({PostOfficeWorld::Request("cR", "rcv box"), PostOfficeWorld::Request("c1", "hrcv NODEB box"),
               PostOfficeWorld::Request("c2", "rcv box")});
    EXPECT_EQ(w.State(), "box:|r:cR,h:c1@NODEB,r:c2");
    w.Deliver({PostOfficeWorld::Request("c1", "send box a"), PostOfficeWorld::Request("c1", "send box b"),
               PostOfficeWorld::Request("c1", "send box c"), PostOfficeWorld::Request("c1", "send box d")});
    EXPECT_EQ(w.Answers(), (Lines{"cR Rcv 0 a box", "c1 Send 0", "c1 HRcv 0 b NODEB box", "c1 Send 0", "c2 Rcv 0 c box",
                                  "c1 Send 0", "c1 Send 0"}));
    EXPECT_EQ(w.State(), "box:d|");
}

// A client blocks in a receive across many turns of the loop; a send from
// another host later releases it, with the very message that was sent.
TEST_F(PostOfficeFlow, AWaitingReceiveIsReleasedByALaterSend) {
    w.Setup("inbox:|");
    PostOfficeWorld::Request("c1", "rcv inbox").Send();
    w.world.Run();
    EXPECT_EQ(w.Answers(), Lines{});
    for (int turn = 0; turn < 5; ++turn) w.world.ProcessMessages();
    EXPECT_EQ(w.State(), "inbox:|r:c1");

    const BaseMsgPtr letter = PostOfficeWorld::Letter("late");
    BaseMsgPtr send(new PostOfficeSendToMboxReqMsg(PostOfficeWorld::PostOfficeAddr(), bStr("inbox"), letter));
    send->SetFrmAddr(PostOfficeWorld::Client("cR"));
    send.Send();
    w.world.Run();
    ASSERT_EQ(w.out.size(), 2u);
    PostOfficeRcvFromMboxRspMsgPtr rsp(w.out[0]);
    ASSERT_TRUE(rsp.Ok());
    EXPECT_EQ(rsp->GetMsgPtr().GetPtr(), letter.GetPtr());
    EXPECT_EQ(w.Answers(), (Lines{"c1 Rcv 0 late inbox", "cR Send 0"}));
    EXPECT_EQ(w.State(), "inbox:|");
}

// The administrator reports that NODEB dropped out of reach: the host-bound
// receives waiting for NODEB are answered -1, in every mailbox, in order;
// plain receives and those for other hosts keep their places.
TEST_F(PostOfficeFlow, DispatchPendingRcvFromHostAnswersOnlyThatHostsReceives) {
    w.liveness.alive.insert("NODEC");
    w.Setup("a:|r:c1,h:c2@NODEB,h:c1@NODEC,h:cR@NODEB b:|h:c1@NODEB c:m1| d:|r:c2");
    w.liveness.alive.erase("NODEB");
    w.po.DispatchPendingRcvFromHost(bStr("NODEB"));
    EXPECT_EQ(w.State(), "a:|r:c1,h:c1@NODEC b:| c:m1| d:|r:c2");
    EXPECT_EQ(w.Deliver(std::vector<BaseMsgPtr>{}), "");
    EXPECT_EQ(w.Answers(), (Lines{"c2 HRcv -1 - NODEB x", "cR HRcv -1 - NODEB x", "c1 HRcv -1 - NODEB x"}));

    // Nothing left for NODEB: a second report answers nothing.
    w.po.DispatchPendingRcvFromHost(bStr("NODEB"));
    w.Deliver(std::vector<BaseMsgPtr>{});
    EXPECT_EQ(w.Answers(), Lines{});
    // The next message goes to the first receive still waiting.
    EXPECT_EQ(Ask("c2", "send a m2"), (Lines{"c1 Rcv 0 m2 x", "c2 Send 0"}));
}

TEST_F(PostOfficeFlow, RemovingAMailboxReleasesItsBlockedReceivers) {
    w.Setup("box:|r:c1,r:c2");
    EXPECT_EQ(Ask("cR", "remove box"), (Lines{"c1 Rcv 1 - x", "c2 Rcv 1 - x", "cR Remove 0"}));
    // They may ask again: the mailbox is gone.
    EXPECT_EQ(Ask("c1", "rcv box"), Lines{"c1 Rcv 1 - box"});
}

TEST_F(PostOfficeFlow, RegistersLogicalNameFiveForItsLife) {
    EXPECT_EQ(LogicalAddrEnt::LookUpName(LogicalAddr::MXRPOSTOFFICE), &w.po);
    EXPECT_EQ(PostOfficeWorld::PostOfficeAddr()->GetMsgRcvrAddr(), &w.po);
    {
        ::testing::internal::CaptureStderr();
        PostOffice second;  // the last registration wins, with a warning
        EXPECT_EQ(::testing::internal::GetCapturedStderr(),
                  "Warning: LogicalAddrEnt::LogicalAddrEnt(,) - Overwriting entry for \"5\"\n");
        EXPECT_EQ(LogicalAddrEnt::LookUpName(LogicalAddr::MXRPOSTOFFICE), &second);
    }
    EXPECT_EQ(LogicalAddrEnt::LookUpName(LogicalAddr::MXRPOSTOFFICE), nullptr);
}

// Until the path administrator answers, only this host is alive.
TEST_F(PostOfficeFlow, WithoutAnAdministratorOnlyThisHostIsAlive) {
    EXPECT_EQ(ThisHostLiveness::Instance().IsHostAlive(bStr("NODEA")), 1);
    EXPECT_EQ(ThisHostLiveness::Instance().IsHostAlive(bStr("NODEB")), 0);
    EXPECT_EQ(ThisHostLiveness::Instance().IsHostAlive(bStr()), 0);
    w.po.SetHostLiveness(nullptr);
    EXPECT_EQ(w.po.GetHostLiveness(), &ThisHostLiveness::Instance());
    EXPECT_EQ(Ask("c1", "alive NODEA"), Lines{"c1 Alive 0"});
    EXPECT_EQ(Ask("c1", "alive NODEB"), Lines{"c1 Alive 1"});
    // A client of another host cannot wait here while no path is known.
    w.Setup("box:|");
    w.Deliver(PostOfficeWorld::Request("cR", "rcv box"));
    EXPECT_EQ(w.State(), "box:|");
}

// Receives and the listing answer the request being dispatched; called
// otherwise they answer nothing and say so.
TEST_F(PostOfficeFlow, ReceivesAndListingOutsideTheirRequestAnswerNothing) {
    w.Setup("box:m1|");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(w.po.RcvFromMbox(bStr("box"), 0), 2);
    EXPECT_EQ(w.po.RcvFromHostMbox(bStr("NODEB"), bStr("box")), 2);
    EXPECT_EQ(w.po.DisplayMailBoxLst(), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "PostOffice::RcvFromMbox() - Bad request message\n"
              "PostOffice::RcvFromHostMbox() - Bad request message\n"
              "PostOffice::DisplayMailBoxLst() - Bad request message\n");
    EXPECT_EQ(w.world.GetMsgList().GetItemCnt(), 0);
    EXPECT_EQ(w.State(), "box:m1|");
}

// Anything but the ten requests (an answer sent to it, a plain message) is
// not processed; a request without a from-address cannot be answered.
TEST_F(PostOfficeFlow, OtherMessagesAreNotProcessed) {
    w.Setup("box:|");
    const BaseMsgPtr req = PostOfficeWorld::Request("c1", "create box");
    BaseMsgPtr stray(new PostOfficeCreateMailBoxRspMsg(*PostOfficeCreateMailBoxReqMsgPtr(req).GetPtr()));
    stray->SetToAddr(PostOfficeWorld::PostOfficeAddr());
    BaseMsgPtr letter = PostOfficeWorld::Letter("lost?");
    letter->SetToAddr(PostOfficeWorld::PostOfficeAddr());
    EXPECT_EQ(w.Deliver({stray, letter}),
              "BaseWorld::Run() - Message not processed\nBaseWorld::Run() - Message not processed\n");
    EXPECT_EQ(w.Answers(), Lines{});

    BaseMsgPtr anonymous(new PostOfficeRcvFromMboxReqMsg(PostOfficeWorld::PostOfficeAddr(), bStr("box"), 0));
    const std::string log = w.Deliver(anonymous);
    EXPECT_EQ(log, "PostOffice::RcvFromMbox() discarding request of unreachable client (none) in mailbox \"box\"\n");
    EXPECT_EQ(w.State(), "box:|");
}

// Long names and many mailboxes: the listing has no size of its own to
// overflow, and every line is there.
TEST_F(PostOfficeFlow, TheListingHoldsLongNamesAndManyMailboxes) {
    std::string expect = "There are 300 mailboxe(s)\n";
    for (int i = 0; i < 300; ++i) {
        const std::string name = std::to_string(i) + std::string(1000, 'n');
        ASSERT_EQ(w.po.CreateMailBox(bStr(name.c_str())), 0);
        expect += name + ": 0 msg(s), 0 req(s)\n";
    }
    ASSERT_EQ(
        w.po.SendToMbox(bStr((std::to_string(299) + std::string(1000, 'n')).c_str()), PostOfficeWorld::Letter("m")), 0);
    expect.replace(expect.size() - std::string(": 0 msg(s), 0 req(s)\n").size(), std::string::npos,
                   ": 1 msg(s), 0 req(s)\n");
    EXPECT_EQ(Ask("c1", "list"), Lines{"c1 List 0 " + expect});
}

// A send request of 4 MB read from a pipe, the message kept, and the answer
// that carries it written back: the letter arrives whole.
TEST_F(PostOfficeFlow, ALargeMessageArrivesWhole) {
    w.Setup("big:|r:c1");
    const std::string payload(4 * 1024 * 1024, 'q');
    BaseMsgPtr send(new PostOfficeSendToMboxReqMsg(PostOfficeWorld::PostOfficeAddr(), bStr("big"),
                                                   PostOfficeWorld::Letter(payload)));
    send->SetFrmAddr(PostOfficeWorld::Client("cR"));
    int rc = -9;
    const BaseMsgPtr arrived(FromWire(WireOf(send), &rc));
    ASSERT_EQ(rc, 0);
    w.Deliver(arrived);
    ASSERT_EQ(w.out.size(), 2u);
    const BaseMsgPtr answer(FromWire(WireOf(w.out[0]), &rc));
    ASSERT_EQ(rc, 0);
    PostOfficeRcvFromMboxRspMsgPtr rsp(answer);
    ASSERT_TRUE(rsp.Ok());
    EXPECT_EQ(rsp->GetRetVal(), 0);
    MessagePtr letter(rsp->GetMsgPtr());
    ASSERT_TRUE(letter.Ok());
    EXPECT_EQ(letter->GetDataStr().StrLen(), static_cast<int>(payload.size()));
    EXPECT_EQ(std::string(letter->GetDataStr().StrVal()), payload);
}

// A client's message of a class the manager does not have arrives as raw
// bytes; it is kept and delivered with exactly the bytes that came.
TEST_F(PostOfficeFlow, AMessageOfAnUnknownClassPassesThroughUnchanged) {
    w.Setup("box:|");
    // Pointer form: length 6, class code 120 (no class of this program), 5 bytes.
    std::vector<char> foreign = {6, 0, 0, 0, 120, 'a', 'b', 'c', 'd', 'e'};
    int rc = -9;
    const BasePtr raw = FromWire(foreign, &rc);
    ASSERT_EQ(rc, 0);
    ASSERT_EQ(raw->GetTypeId(), LocalPktCtrl::ClassCode);
    BaseMsgPtr send(new PostOfficeSendToMboxReqMsg(PostOfficeWorld::PostOfficeAddr(), bStr("box"), BaseMsgPtr(raw)));
    send->SetFrmAddr(PostOfficeWorld::Client("cR"));
    w.Deliver(BaseMsgPtr(FromWire(WireOf(send), &rc)));
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(w.Answers(), Lines{"cR Send 0"});
    EXPECT_EQ(Ask("c1", "rcv box"), Lines{"c1 Rcv 0 LocalPktCtrl box"});

    w.Deliver({PostOfficeWorld::Request("cR", "send box m1")});
    w.Answers();
    BaseMsgPtr again(new PostOfficeSendToMboxReqMsg(PostOfficeWorld::PostOfficeAddr(), bStr("box"), BaseMsgPtr(raw)));
    again->SetFrmAddr(PostOfficeWorld::Client("cR"));
    w.Deliver({PostOfficeWorld::Request("c1", "rcv box"), PostOfficeWorld::Request("c2", "rcv box"),
               BaseMsgPtr(FromWire(WireOf(again), &rc))});
    ASSERT_EQ(w.out.size(), 3u);
    const BaseMsgPtr answer(FromWire(WireOf(w.out[1]), &rc));
    ASSERT_EQ(rc, 0);
    PostOfficeRcvFromMboxRspMsgPtr rsp(answer);
    ASSERT_TRUE(rsp.Ok());
    EXPECT_EQ(WireOf(rsp->GetMsgPtr()), foreign);
}
