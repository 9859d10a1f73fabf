// The post office proxy against a scripted manager (FakeManager, on its own
// threads over a real pipe): how every answer a manager can give, and some
// it should not, map onto the call's result; answers that belong to other
// calls are passed over; the requests as the manager receives them.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <mutex>
#include <string>
#include <unistd.h>

#include "BaseErrMsg.h"
#include "FakeManager.h"
#include "LogicalAddr.h"
#include "MxrTestSupport.h"
#include "PipeHeartBeatMsg.h"
#include "PostOfficeCanTalkReqMsg.h"
#include "PostOfficeCreateMailBoxReqMsg.h"
#include "PostOfficeIsHostAliveReqMsg.h"
#include "PostOfficeIsMboxEmptyReqMsg.h"
#include "PostOfficeRcvFromHostMboxRspMsg.h"
#include "PostOfficeRcvFromMboxRspMsg.h"
#include "PostOfficeRemoveMailBoxReqMsg.h"
#include "PostOfficeSendToMboxAsynchReqMsg.h"
#include "PostOfficeSendToMboxReqMsg.h"
#include "ProxyPostOffice.h"
#include "platform/tests/TempSystemDir.h"

using namespace mxrtest;

namespace {

template <class Req, class Rsp>
bool MakeAnswer(const BaseMsgPtr& req, int retVal, const BaseMsgPtr& letter, BaseMsgPtr* out) {
    const TypedPtr<Req> r(req);
    if (!r.Ok()) return false;
    Rsp* rsp = new Rsp(*r.GetPtr());
    *out = BaseMsgPtr(rsp);
    rsp->SetRetVal(retVal);
    if constexpr (requires { rsp->SetMsgPtr(letter); }) rsp->SetMsgPtr(letter);
    return true;
}

// The post office's answer to req with retVal (a receive carries letter).
BaseMsgPtr AnswerTo(const BaseMsgPtr& req, int retVal, const BaseMsgPtr& letter = BaseMsgPtr()) {
    BaseMsgPtr a;
    MakeAnswer<PostOfficeCreateMailBoxReqMsg, PostOfficeCreateMailBoxRspMsg>(req, retVal, letter, &a) ||
        MakeAnswer<PostOfficeRemoveMailBoxReqMsg, PostOfficeRemoveMailBoxRspMsg>(req, retVal, letter, &a) ||
        MakeAnswer<PostOfficeSendToMboxReqMsg, PostOfficeSendToMboxRspMsg>(req, retVal, letter, &a) ||
        MakeAnswer<PostOfficeIsMboxEmptyReqMsg, PostOfficeIsMboxEmptyRspMsg>(req, retVal, letter, &a) ||
        MakeAnswer<PostOfficeCanTalkReqMsg, PostOfficeCanTalkRspMsg>(req, retVal, letter, &a) ||
        MakeAnswer<PostOfficeIsHostAliveReqMsg, PostOfficeIsHostAliveRspMsg>(req, retVal, letter, &a) ||
        MakeAnswer<PostOfficeRcvFromMboxReqMsg, PostOfficeRcvFromMboxRspMsg>(req, retVal, letter, &a) ||
        MakeAnswer<PostOfficeRcvFromHostMboxReqMsg, PostOfficeRcvFromHostMboxRspMsg>(req, retVal, letter, &a);
    return a;
}

// What the scripted manager does with the next request.
enum Mode { RET0, RET1, RETM1, WRONG, HANGUP, RET0_NOT_A_MESSAGE };

struct ProxyMapping : ::testing::Test {
    hvtest::TempSystemDir sys;
    RuntimeScope scope{"NODEA", 0};
    std::atomic<int> mode{RET0};
    std::mutex scriptLock;
    FakeManager::Script custom;  // replaces the modes when set
    FakeManager manager{[this](const BaseMsgPtr& req) { return Answer(req); }};

    void SetUp() override { ASSERT_EQ(manager.ListenResult(), 0); }
    void SetScript(FakeManager::Script s) {
        std::lock_guard<std::mutex> g(scriptLock);
        custom = std::move(s);
    }
    bool WaitUntilRequests(size_t n) {
        for (int i = 0; i < 500 && manager.Requests().size() < n; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return manager.Requests().size() >= n;
    }
    FakeManager::Reply Answer(const BaseMsgPtr& req) {
        {
            std::lock_guard<std::mutex> g(scriptLock);
            if (custom) return custom(req);
        }
        FakeManager::Reply r;
        switch (mode.load()) {
        case RET0: r.answers.push_back(AnswerTo(req, 0, BaseMsgPtr(new Message("letter")))); break;
        case RET1: r.answers.push_back(AnswerTo(req, 1)); break;
        case RETM1: r.answers.push_back(AnswerTo(req, -1)); break;
        case WRONG: r.answers.push_back(BaseMsgPtr(new BaseErrMsg(req->GetFrmAddr()))); break;
        case HANGUP: r.hangUp = true; break;
        case RET0_NOT_A_MESSAGE: r.answers.push_back(AnswerTo(req, 0, BaseMsgPtr(new BaseErrMsg()))); break;
        }
        return r;
    }
};

const char* Name(Message::enMessageErr e) {
    static const char* names[] = {"OKAY",           "NOKAY",          "NOSUCHMBOX", "BADREQMSG", "NOMESSAGE",
                                  "SYNCHSENDFAILED", "SYNCHRCVFAILED", "INTERNALERR"};
    return e >= 0 && e <= 7 ? names[e] : "?";
}

}  // namespace

// Each call against each kind of answer: retVal 0, 1, another value, an
// answer of another class (the manager's error message for a request it
// could not deliver), and a connection that fails.
TEST_F(ProxyMapping, EveryCallMapsEveryKindOfAnswer) {
    using Call = Message::enMessageErr (*)(ProxyPostOffice&);
    struct Row {
        const char* call;
        Call run;
        Message::enMessageErr expect[5];  // RET0 RET1 RETM1 WRONG HANGUP
    };
    const Message::enMessageErr OK = Message::OKAY, NOK = Message::NOKAY, NSM = Message::NOSUCHMBOX,
                                BAD = Message::BADREQMSG, SSF = Message::SYNCHSENDFAILED, IE = Message::INTERNALERR;
    const Row rows[] = {
        {"CreateMailBox", [](ProxyPostOffice& p) { return p.CreateMailBox("box"); }, {OK, NSM, NSM, NSM, IE}},
        {"RemoveMailBox", [](ProxyPostOffice& p) { return p.RemoveMailBox("box"); }, {OK, NSM, NSM, NSM, IE}},
        {"SendToMbox",
         [](ProxyPostOffice& p) { return p.SendToMbox("NODEB", "box", MessagePtr(new Message("x"))); },
         {OK, SSF, SSF, SSF, IE}},
        {"IsMboxEmpty", [](ProxyPostOffice& p) { return p.IsMboxEmpty("box"); }, {OK, NOK, NOK, BAD, IE}},
        {"CanTalk", [](ProxyPostOffice& p) { return p.CanTalk("NODEB", "box"); }, {OK, NOK, NOK, BAD, IE}},
        {"IsHostAlive", [](ProxyPostOffice& p) { return p.IsHostAlive("NODEB"); }, {OK, NOK, NOK, NOK, IE}},
    };
    for (const Row& row : rows) {
        for (int m = RET0; m <= HANGUP; ++m) {
            SCOPED_TRACE(std::string(row.call) + " answer kind " + std::to_string(m));
            mode = m;
            ProxyPostOffice proxy;  // a fresh connection: a hang-up ends the old one
            EXPECT_STREQ(Name(row.run(proxy)), Name(row.expect[m]));
        }
    }
}

TEST_F(ProxyMapping, ReceivesMapEveryKindOfAnswer) {
    struct Row {
        int mode;
        Message::enMessageErr expect;
        const char* text;  // of the returned Message
    };
    const Row rows[] = {
        {RET0, Message::OKAY, "letter"},
        {RET0_NOT_A_MESSAGE, Message::NOKAY, ""},
        {RET1, Message::NOSUCHMBOX, ""},
        {RETM1, Message::SYNCHRCVFAILED, ""},
        {WRONG, Message::SYNCHRCVFAILED, ""},
        {HANGUP, Message::INTERNALERR, ""},
    };
    for (bool hostBound : {false, true}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(hostBound ? "RcvFromHostMbox" : "RcvFromMbox") + " answer kind " +
                         std::to_string(row.mode));
            mode = row.mode;
            ProxyPostOffice proxy;
            const MessagePtr got = hostBound ? proxy.RcvFromHostMbox("NODEB", "box") : proxy.RcvFromMbox("box", 5);
            ASSERT_TRUE(got.Ok());
            EXPECT_STREQ(Name(got->GetLastErr()), Name(row.expect));
            EXPECT_EQ(got->GetDataStr(), bStr(row.text));
        }
    }
}

// Stale answers (of another call, for another mailbox or host) and pipe
// control messages that come before a call's own answer are passed over,
// and do not turn up as the answer of the next call either.
TEST_F(ProxyMapping, AnswersOfOtherCallsArePassedOver) {
    SetScript([](const BaseMsgPtr& req) {
        FakeManager::Reply r;
        const BaseAddrPtr po(new LogicalAddr(bStr("NODEA"), LogicalAddr::MXRPOSTOFFICE));
        // An answer to another request of the same client.
        auto other = [&](BaseReqMsg* fake) {
            BaseMsgPtr held(fake);
            fake->SetFrmAddr(req->GetFrmAddr());
            return held;
        };
        if (PostOfficeIsMboxEmptyReqMsgPtr(req).Ok()) {
            r.answers.push_back(AnswerTo(other(new PostOfficeCanTalkReqMsg(po, "box")), 0));
            r.answers.push_back(AnswerTo(other(new PostOfficeCreateMailBoxReqMsg(po, "box")), 0));
            r.answers.push_back(BaseMsgPtr(new PipeHeartBeatMsg()));
            r.answers.push_back(AnswerTo(req, 1));
        } else if (PostOfficeRcvFromMboxReqMsgPtr(req).Ok()) {
            r.answers.push_back(AnswerTo(other(new PostOfficeRcvFromMboxReqMsg(po, "other", 0)), 0,
                                         BaseMsgPtr(new Message("stale"))));
            r.answers.push_back(AnswerTo(req, 0, BaseMsgPtr(new Message("fresh"))));
        } else if (PostOfficeRcvFromHostMboxReqMsgPtr(req).Ok()) {
            r.answers.push_back(AnswerTo(other(new PostOfficeRcvFromHostMboxReqMsg(po, "NODEC", "box")), 0,
                                         BaseMsgPtr(new Message("stale host"))));
            r.answers.push_back(AnswerTo(other(new PostOfficeRcvFromHostMboxReqMsg(po, "NODEB", "other")), 0,
                                         BaseMsgPtr(new Message("stale box"))));
            r.answers.push_back(AnswerTo(req, 0, BaseMsgPtr(new Message("fresh"))));
        } else {
            r.answers.push_back(AnswerTo(req, 0));
        }
        return r;
    });
    ProxyPostOffice proxy;
    EXPECT_EQ(proxy.IsMboxEmpty("box"), Message::NOKAY);
    EXPECT_EQ(proxy.IsHostAlive("NODEA"), Message::OKAY);
    EXPECT_EQ(proxy.RcvFromMbox("box", 0)->GetDataStr(), bStr("fresh"));
    EXPECT_EQ(proxy.RcvFromHostMbox("NODEB", "box")->GetDataStr(), bStr("fresh"));
    EXPECT_EQ(proxy.CreateMailBox("box"), Message::OKAY);
    EXPECT_EQ(manager.Connections(), 1);
}

// What the manager receives: each request addressed to logical name 5 of
// this host or of the named one, with the connection's address as its
// return address, but the one-way send, which has none (and is not waited
// for: the script answers it with nothing).
TEST_F(ProxyMapping, RequestsCarryTheirTargetAndReturnAddress) {
    SetScript([](const BaseMsgPtr& req) {
        FakeManager::Reply r;
        if (!PostOfficeSendToMboxAsynchReqMsgPtr(req).Ok()) r.answers.push_back(AnswerTo(req, 0));
        return r;
    });
    {
        ProxyPostOffice proxy;
        EXPECT_EQ(proxy.SendToMboxAsynch("NODEB", "far", MessagePtr(new Message("one way"))), Message::OKAY);
        EXPECT_EQ(proxy.SendToMbox("NODEC", "near", MessagePtr(new Message("two way"))), Message::OKAY);
        EXPECT_EQ(proxy.CanTalk("NODED", "x"), Message::OKAY);
        EXPECT_EQ(proxy.IsHostAlive("NODEE"), Message::OKAY);
        EXPECT_EQ(proxy.SendToMboxAsynch("NODEB", "far", MessagePtr()), Message::INTERNALERR);
        EXPECT_EQ(proxy.SendToMbox("NODEB", "far", MessagePtr()), Message::SYNCHSENDFAILED);
    }
    ASSERT_TRUE(WaitUntilRequests(4));
    const std::vector<BaseMsgPtr> reqs = manager.Requests();
    struct Expect {
        const char* cls;
        const char* toHost;
        bool hasFrom;
    };
    const Expect expect[] = {{"PostOfficeSendToMboxAsynchReqMsg", "NODEB", false},
                             {"PostOfficeSendToMboxReqMsg", "NODEC", true},
                             {"PostOfficeCanTalkReqMsg", "NODED", true},
                             {"PostOfficeIsHostAliveReqMsg", "NODEA", true}};
    ASSERT_EQ(reqs.size(), 4u);
    for (size_t i = 0; i < reqs.size(); ++i) {
        SCOPED_TRACE(expect[i].cls);
        EXPECT_STREQ(reqs[i]->GetClassName(), expect[i].cls);
        const LogicalAddrPtr to(reqs[i]->GetToAddr());
        ASSERT_TRUE(to.Ok());
        EXPECT_EQ(to->GetHost(), bStr(expect[i].toHost));
        EXPECT_EQ(to->GetLogicalName(), LogicalAddr::MXRPOSTOFFICE);
        const BaseAddrPtr from = reqs[i]->GetFrmAddr();
        EXPECT_EQ(from.Ok() != 0, expect[i].hasFrom);
        if (from.Ok()) {
            EXPECT_EQ(from->GetHost(), bStr("NODEA"));
            EXPECT_EQ(from->GetPid(), static_cast<long>(::getpid()));
            EXPECT_EQ(from->GetTid(), static_cast<long>(::gettid()));
        }
    }
    const std::vector<PipeInitMsgPtr> inits = manager.Inits();
    ASSERT_EQ(inits.size(), 1u);
    EXPECT_EQ(inits[0]->GetHost(), bStr("NODEA"));
    EXPECT_EQ(inits[0]->GetPid(), static_cast<long>(::getpid()));
    EXPECT_EQ(inits[0]->GetTid(), static_cast<long>(::gettid()));
    EXPECT_EQ(inits[0]->GetMax_pkt_size(), 520u);
}
