// Messages and receivers built with the class pattern for the runtime tests
// (codes 310-319, above every code of the system and the other test classes;
// the state machine test has 316, the thread test 317, the benchmark 318):
//   PingReqMsg (310) / PingRspMsg (311)  a request with a number and its response
//   NoticeMsg (312)                      a one-way message with a number
//   SubNoticeMsg (313)                   derives from NoticeMsg
//   RecordingRcvr (314)                  records what it is handed and in which context
//   WrapperMsg (315)                     hands out what it carries for dispatch
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "BaseMsgRcvr.h"
#include "BaseReqMsg.h"
#include "BaseRspMsg.h"

class PingReqMsg : public BaseReqMsg {
    MXR_CLASS(PingReqMsg, BaseReqMsg);
    MXR_FIELDS(MXR_FIELD("n", n));

public:
    PingReqMsg() = default;
    PingReqMsg(const BaseAddrPtr& to, int n_) : n(n_) { toAddr = to; }
    int n = 0;
};
MXR_COMPANIONS(PingReqMsg);

class PingRspMsg : public BaseRspMsg {
    MXR_CLASS(PingRspMsg, BaseRspMsg);
    MXR_FIELDS(MXR_FIELD("retVal", retVal), MXR_FIELD("n", n));

public:
    PingRspMsg() = default;
    explicit PingRspMsg(const PingReqMsg& req) : n(req.n) { toAddr = req.GetFrmAddr(); }
    int retVal = 0;
    int n = 0;
};
MXR_COMPANIONS(PingRspMsg);

class NoticeMsg : public BaseMsg {
    MXR_CLASS(NoticeMsg, BaseMsg);
    MXR_FIELDS(MXR_FIELD("n", n));

public:
    NoticeMsg() = default;
    NoticeMsg(const BaseAddrPtr& to, int n_) : n(n_) { toAddr = to; }
    int n = 0;
};
MXR_COMPANIONS(NoticeMsg);

class SubNoticeMsg : public NoticeMsg {
    MXR_CLASS(SubNoticeMsg, NoticeMsg);
    MXR_FIELDS();

public:
    SubNoticeMsg() = default;
    SubNoticeMsg(const BaseAddrPtr& to, int n_) : NoticeMsg(to, n_) {}
};
MXR_COMPANIONS(SubNoticeMsg);

class WrapperMsg : public BaseMsg {
    MXR_CLASS(WrapperMsg, BaseMsg);
    MXR_FIELDS(MXR_FIELD("inner", inner));

public:
    WrapperMsg() = default;
    explicit WrapperMsg(const BasePtr& inner_) : inner(inner_) {}
    BaseMsgPtr GetMsgPtrForDispatch() override { return BaseMsgPtr(inner); }
    BasePtr inner;
};
MXR_COMPANIONS(WrapperMsg);

// What a RecordingRcvr saw of one message.
struct Seen {
    BaseMsgPtr msg;
    std::string stage;           // "MsgHdlr" or "DfltMsgHdlr"
    BaseMsgRcvr* currentRcvr;    // GetCurrentMsgRcvr() during the stage
    BaseMsgPtr currentMsg;       // GetCurrentMsg() during the stage
};

// Records every stage it runs; each stage answers what its hook returns
// (by default: MsgHdlr NOTPROCESSED, DfltMsgHdlr PROCESSED).
class RecordingRcvr : public BaseMsgRcvr {
    MXR_LOCAL_CLASS(RecordingRcvr, BaseMsgRcvr);
    MXR_FIELDS();

public:
    using Hook = std::function<enMsgResult(RecordingRcvr&, const BaseMsgPtr&)>;

    enMsgResult MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) override;
    enMsgResult DfltMsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) override;

    Hook onMsg;
    Hook onDflt;
    std::vector<Seen> seen;
    // Every message's n (notices, requests, responses) in the order handled.
    std::vector<int> numbers;
};
MXR_COMPANIONS(RecordingRcvr);

// n of a test message, or -1.
int NumberOf(const BaseMsgPtr& msg);
