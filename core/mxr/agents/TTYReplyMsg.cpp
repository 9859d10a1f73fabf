#include "TTYReplyMsg.h"

#include "ClassDefine.h"
#include "EnumDefine.h"

MXR_CLASS_DEFINE(TTYReplyMsg, 148);
MXR_ENUM_TABLE(TTYReplyMsg, GetReplyTypeCvtPtr, ACK, NACK);

TTYReplyMsg::TTYReplyMsg() : reply(ACK), pktCtrlId(0), pktId(0) { MXR_METHOD_FRAME("TTYReplyMsg", 0); }

TTYReplyMsg::TTYReplyMsg(const BaseAddrPtr& to, ReplyType reply_, unsigned short pktCtrlId_, unsigned short pktId_)
    : reply(reply_), pktCtrlId(pktCtrlId_), pktId(pktId_) {
    MXR_METHOD_FRAME("TTYReplyMsg", 4);
    SetToAddr(to);
}

TTYReplyMsg::~TTYReplyMsg() { MXR_METHOD_FRAME("~TTYReplyMsg", 0); }

TTYReplyMsg::ReplyType TTYReplyMsg::GetReply() const {
    MXR_METHOD_FRAME("GetReply", 0);
    return reply;
}

void TTYReplyMsg::SetReply(ReplyType reply_) {
    MXR_METHOD_FRAME("SetReply", 1);
    reply = reply_;
}

unsigned short TTYReplyMsg::GetPktCtrlId() const {
    MXR_METHOD_FRAME("GetPktCtrlId", 0);
    return pktCtrlId;
}

void TTYReplyMsg::SetPktCtrlId(unsigned short id) {
    MXR_METHOD_FRAME("SetPktCtrlId", 1);
    pktCtrlId = id;
}

unsigned short TTYReplyMsg::GetPktId() const {
    MXR_METHOD_FRAME("GetPktId", 0);
    return pktId;
}

void TTYReplyMsg::SetPktId(unsigned short id) {
    MXR_METHOD_FRAME("SetPktId", 1);
    pktId = id;
}

int _serialize(BasePktCtrl& c, TTYReplyMsg::ReplyType& v) {
    MXR_FRAME_OF_(TTYReplyMsg, "_serialize", 2);
    return MxrSerializeEnum(c, v);
}
