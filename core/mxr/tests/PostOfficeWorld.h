// A manager's post office in one process, as remote clients see it: the
// manager's world and post office, and stand-ins for the pipes that lead to
// the clients (receivers that keep what they are handed, in one shared
// outbox, in the order the world delivered it). Requests are addressed to
// logical name 5 of this host and carry the from-address of a client in
// another process or on another host, as requests read from a pipe do.
//
// Clients:
//   c1, c2  local clients with a pipe (routes NODEA/4242/77, NODEA/4243/78)
//   cG      a local client that has gone (no route)
//   cR      a client on NODEB, reached through an agent's pipe, host alive
//   cD      a client on NODED, a route exists but the host is not alive
//   cP      a requester whose address leads back to the post office itself
//
// Mailbox state notation (mailboxes in order, separated by spaces):
//   name:queued,messages|parked,requests   e.g.  box:m1,m2|   in:|r:c1,h:c2@NODEB
// where r:<client> is a plain receive and h:<client>@<host> a host-bound one.
#pragma once

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "BaseAddrEnt.h"
#include "BaseErrMsg.h"
#include "LogicalAddr.h"
#include "Message.h"
#include "MxrTestSupport.h"
#include "PostOffice.h"
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

namespace mxrtest {

// Where a pipe endpoint would write a message to its peer.
class PipeStandIn : public BaseMsgRcvr {
public:
    explicit PipeStandIn(std::vector<BaseMsgPtr>& sink) : out(sink) {}
    enMsgResult MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr&) override {
        out.push_back(msg);
        return PROCESSED;
    }

private:
    std::vector<BaseMsgPtr>& out;
};

class FakeLiveness : public HostLiveness {
public:
    int IsHostAlive(const bStr& host) override { return alive.count(host.StrVal()) != 0 ? 1 : 0; }
    std::set<std::string> alive{"NODEA", "NODEB"};
};

inline std::vector<std::string> Split(const std::string& text, char sep) {
    std::vector<std::string> parts;
    if (text.empty()) return parts;
    std::string::size_type from = 0;
    for (;;) {
        const auto at = text.find(sep, from);
        parts.push_back(text.substr(from, at == std::string::npos ? std::string::npos : at - from));
        if (at == std::string::npos) return parts;
        from = at + 1;
    }
}

class PostOfficeWorld {
public:
    RuntimeScope scope{"NODEA", 1};
    BaseWorld world;
    std::vector<BaseMsgPtr> out;
    PipeStandIn pipe1{out}, pipe2{out}, agentB{out}, agentD{out};
    BaseAddrEntPtr routes[4] = {
        BaseAddrEntPtr(new BaseAddrEnt(bStr("NODEA"), 4242, 77, &pipe1)),
        BaseAddrEntPtr(new BaseAddrEnt(bStr("NODEA"), 4243, 78, &pipe2)),
        BaseAddrEntPtr(new BaseAddrEnt(bStr("NODEB"), 0, 0, &agentB)),
        BaseAddrEntPtr(new BaseAddrEnt(bStr("NODED"), 0, 0, &agentD)),
    };
    FakeLiveness liveness;
    PostOffice po;

    PostOfficeWorld() { po.SetHostLiveness(&liveness); }

    static BaseAddrPtr Client(const std::string& name) {
        if (name == "c1") return BaseAddrPtr(new BaseAddr(bStr("NODEA"), 4242, 77));
        if (name == "c2") return BaseAddrPtr(new BaseAddr(bStr("NODEA"), 4243, 78));
        if (name == "cG") return BaseAddrPtr(new BaseAddr(bStr("NODEA"), 999, 9));
        if (name == "cR") return BaseAddrPtr(new BaseAddr(bStr("NODEB"), 555, 5));
        if (name == "cD") return BaseAddrPtr(new BaseAddr(bStr("NODED"), 666, 6));
        if (name == "cP") return BaseAddrPtr(new LogicalAddr(bStr("NODEA"), LogicalAddr::MXRPOSTOFFICE));
        ADD_FAILURE() << "unknown client " << name;
        return BaseAddrPtr();
    }
    static std::string NameOf(const BaseAddrPtr& addr) {
        if (!addr.Ok()) return "(none)";
        for (const char* name : {"c1", "c2", "cG", "cR", "cD", "cP"}) {
            const BaseAddrPtr c = Client(name);
            if (c->GetTypeId() == addr->GetTypeId() && c->GetHost() == addr->GetHost() &&
                c->GetPid() == addr->GetPid() && c->GetTid() == addr->GetTid())
                return name;
        }
        return "?";
    }
    static BaseAddrPtr PostOfficeAddr() {
        return BaseAddrPtr(new LogicalAddr(bStr("NODEA"), LogicalAddr::MXRPOSTOFFICE));
    }
    static BaseMsgPtr Letter(const std::string& text) { return BaseMsgPtr(new Message(text.c_str())); }
    // "<null>" is a null name, "''" the empty one.
    static bStr Name(const std::string& token) {
        if (token == "<null>") return bStr();
        if (token == "''") return bStr("");
        return bStr(token.c_str());
    }
    // A carried object need not be a message (raw bytes of an unknown class):
    // it is looked at as a plain object.
    static std::string TextOfLetter(const BasePtr& msg) {
        if (msg.GetPtr() == nullptr) return "-";
        MessagePtr m(msg);
        if (!m.Ok()) return msg.GetPtr()->GetClassName();
        return m->GetDataStr().StrVal();
    }

    // A request as it arrives from a client's pipe: "create box",
    // "remove box", "send box m1", "async box m1", "rcv box", "hrcv HOST box",
    // "alive HOST", "empty box", "cantalk box", "list".
    static BaseMsgPtr Request(const std::string& from, const std::string& text) {
        const std::vector<std::string> w = Split(text, ' ');
        const BaseAddrPtr to = PostOfficeAddr();
        BaseMsgPtr req;
        const std::string& op = w.at(0);
        if (op == "create")
            req = new PostOfficeCreateMailBoxReqMsg(to, Name(w.at(1)));
        else if (op == "remove")
            req = new PostOfficeRemoveMailBoxReqMsg(to, Name(w.at(1)));
        else if (op == "send")
            req = new PostOfficeSendToMboxReqMsg(to, Name(w.at(1)), Letter(w.at(2)));
        else if (op == "async")
            req = new PostOfficeSendToMboxAsynchReqMsg(to, Name(w.at(1)), Letter(w.at(2)));
        else if (op == "rcv")
            req = new PostOfficeRcvFromMboxReqMsg(to, Name(w.at(1)), 100);
        else if (op == "hrcv")
            req = new PostOfficeRcvFromHostMboxReqMsg(to, Name(w.at(1)), Name(w.at(2)));
        else if (op == "alive")
            req = new PostOfficeIsHostAliveReqMsg(to, Name(w.at(1)));
        else if (op == "empty")
            req = new PostOfficeIsMboxEmptyReqMsg(to, Name(w.at(1)));
        else if (op == "cantalk")
            req = new PostOfficeCanTalkReqMsg(to, Name(w.at(1)));
        else if (op == "list")
            req = new PostOfficeDisplayMailBoxLstReqMsg(to);
        else
            ADD_FAILURE() << "unknown request " << text;
        if (req.GetPtr() != nullptr) req->SetFrmAddr(Client(from));
        return req;
    }

    // Builds the mailboxes of a state in the notation above.
    void Setup(const std::string& state) {
        for (const std::string& box : Split(state, ' ')) {
            const auto colon = box.find(':');
            const auto bar = box.find('|');
            ASSERT_TRUE(colon != std::string::npos && bar != std::string::npos) << box;
            const bStr name = Name(box.substr(0, colon));
            ASSERT_EQ(po.CreateMailBox(name), 0) << box;
            for (const std::string& m : Split(box.substr(colon + 1, bar - colon - 1), ','))
                ASSERT_EQ(po.SendToMbox(name, Letter(m)), 0);
            MailBoxLstIter it(po.GetMailBoxLst());
            MailBoxPtr mbox;
            for (MailBoxPtr b = it.First(); b.GetPtr() != nullptr; b = it.Next())
                if (b->GetMboxName() == name) mbox = b;
            for (const std::string& r : Split(box.substr(bar + 1), ',')) {
                const auto at = r.find('@');
                BaseMsgPtr req = r[0] == 'h' ? Request(r.substr(2, at - 2), "hrcv " + r.substr(at + 1) + " x")
                                             : Request(r.substr(2), "rcv x");
                mbox->GetReqList().Append(req);
            }
        }
    }

    // The mailboxes in the same notation; checks the one-list invariant.
    std::string State() {
        std::string text;
        MailBoxLstIter it(po.GetMailBoxLst());
        for (MailBoxPtr b = it.First(); b.GetPtr() != nullptr; b = it.Next()) {
            if (!text.empty()) text += ' ';
            const std::string name = b->GetMboxName().StrVal();
            text += (name.empty() ? std::string() : name) + ":";
            BaseMsgLstIter m(b->GetMsgList());
            std::string sep;
            for (BasePtr msg = m.First(); msg.GetPtr() != nullptr; msg = m.Next(), sep = ",")
                text += sep + TextOfLetter(msg);
            text += "|";
            sep.clear();
            BaseMsgLstIter r(b->GetReqList());
            for (BaseMsgPtr req = r.First(); req.GetPtr() != nullptr; req = r.Next(), sep = ",") {
                PostOfficeRcvFromHostMboxReqMsgPtr h(req);
                text += sep + (h.Ok() ? "h:" + NameOf(req->GetFrmAddr()) + "@" + h->GetHost().StrVal()
                                      : "r:" + NameOf(req->GetFrmAddr()));
            }
            EXPECT_FALSE(b->GetMsgList().GetItemCnt() > 0 && b->GetReqList().GetItemCnt() > 0)
                << "both lists of " << name << " hold something";
        }
        return text;
    }

    // Sends the messages and runs the world's dispatch until nothing is
    // queued; returns what was written to stderr meanwhile.
    std::string Deliver(const std::vector<BaseMsgPtr>& msgs) {
        ::testing::internal::CaptureStderr();
        for (const BaseMsgPtr& m : msgs) m.Send();
        for (int turn = 0; turn < 20 && world.GetMsgList().GetItemCnt() > 0; ++turn) world.ProcessMessages();
        EXPECT_EQ(world.GetMsgList().GetItemCnt(), 0);
        return ::testing::internal::GetCapturedStderr();
    }
    std::string Deliver(const BaseMsgPtr& msg) { return Deliver(std::vector<BaseMsgPtr>{msg}); }

    // What left through the pipes since the last call, one line each:
    // "<client> <answer> <retVal> [<message> [<host>] <mailbox>]".
    std::vector<std::string> Answers() {
        std::vector<std::string> lines;
        for (const BaseMsgPtr& m : out) {
            std::ostringstream os;
            os << NameOf(m->GetToAddr()) << ' ';
            if (PostOfficeCreateMailBoxRspMsgPtr r(m); r.Ok())
                os << "Create " << r->GetRetVal();
            else if (PostOfficeRemoveMailBoxRspMsgPtr r(m); r.Ok())
                os << "Remove " << r->GetRetVal();
            else if (PostOfficeSendToMboxRspMsgPtr r(m); r.Ok())
                os << "Send " << r->GetRetVal();
            else if (PostOfficeRcvFromMboxRspMsgPtr r(m); r.Ok())
                os << "Rcv " << r->GetRetVal() << ' ' << TextOfLetter(r->GetMsgPtr()) << ' '
                   << r->GetMBoxName().StrVal();
            else if (PostOfficeRcvFromHostMboxRspMsgPtr r(m); r.Ok())
                os << "HRcv " << r->GetRetVal() << ' ' << TextOfLetter(r->GetMsgPtr()) << ' ' << r->GetHost().StrVal()
                   << ' ' << r->GetMBoxName().StrVal();
            else if (PostOfficeIsHostAliveRspMsgPtr r(m); r.Ok())
                os << "Alive " << r->GetRetVal();
            else if (PostOfficeIsMboxEmptyRspMsgPtr r(m); r.Ok())
                os << "Empty " << r->GetRetVal();
            else if (PostOfficeCanTalkRspMsgPtr r(m); r.Ok())
                os << "CanTalk " << r->GetRetVal();
            else if (PostOfficeDisplayMailBoxLstRspMsgPtr r(m); r.Ok())
                os << "List " << r->GetRetVal() << ' ' << TextOfLetter(r->GetMsgPtr());
            else if (BaseErrMsgPtr(m).Ok())
                os << "Err";
            else
                os << m->GetClassName();
            lines.push_back(os.str());
        }
        out.clear();
        return lines;
    }
};

}  // namespace mxrtest
