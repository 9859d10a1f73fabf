#include "RuntimeTestClasses.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PingReqMsg, 310);
MXR_CLASS_DEFINE(PingRspMsg, 311);
MXR_CLASS_DEFINE(NoticeMsg, 312);
MXR_CLASS_DEFINE(SubNoticeMsg, 313);
MXR_CLASS_DEFINE(RecordingRcvr, 314);
MXR_CLASS_DEFINE(WrapperMsg, 315);

int NumberOf(const BaseMsgPtr& msg) {
    if (PingReqMsgPtr(msg).Ok()) return PingReqMsgPtr(msg)->n;
    if (PingRspMsgPtr(msg).Ok()) return PingRspMsgPtr(msg)->n;
    if (NoticeMsgPtr(msg).Ok()) return NoticeMsgPtr(msg)->n;
    return -1;
}

BaseMsgRcvr::enMsgResult RecordingRcvr::MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr&) {
    seen.push_back({msg, "MsgHdlr", GetCurrentMsgRcvr(), GetCurrentMsg()});
    return onMsg ? onMsg(*this, msg) : NOTPROCESSED;
}

BaseMsgRcvr::enMsgResult RecordingRcvr::DfltMsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr&) {
    seen.push_back({msg, "DfltMsgHdlr", GetCurrentMsgRcvr(), GetCurrentMsg()});
    numbers.push_back(NumberOf(msg));
    return onDflt ? onDflt(*this, msg) : PROCESSED;
}
