#include "RuntimeTestClasses.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PingReqMsg);
MXR_CLASS_DEFINE(PingRspMsg);
MXR_CLASS_DEFINE(NoticeMsg);
MXR_CLASS_DEFINE(SubNoticeMsg);
MXR_LOCAL_CLASS_DEFINE(RecordingRcvr);
MXR_CLASS_DEFINE(WrapperMsg);

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
