// The answer of the receiving end to one serial packet that needs one: ACK
// (taken) or NACK (refused: resend it), naming the packet by its message
// number and place. A pipe control message: the receiving head consumes it.
// It travels in one packet that needs no answer, so it carries no checksums
// and a damaged one may hold any reply value.
#pragma once

#include "BasePipeMsg.h"
#include "EnumPattern.h"
#include "PktSerialize.h"

class TTYReplyMsg : public BasePipeMsg {
    MXR_CLASS(TTYReplyMsg, BasePipeMsg);

public:
    // 4 bytes on the wire.
    enum ReplyType : int { ACK = 0, NACK = 1 };
    MXR_ENUM(ReplyType, GetReplyTypeCvtPtr);

    MXR_FIELDS(MXR_ENUM_FIELD("reply", reply, GetReplyTypeCvtPtr), MXR_FIELD("pktCtrlId", pktCtrlId),
               MXR_FIELD("pktId", pktId));

    TTYReplyMsg();
    TTYReplyMsg(const BaseAddrPtr& to, ReplyType reply, unsigned short pktCtrlId, unsigned short pktId);
    ~TTYReplyMsg() override;

    ReplyType GetReply() const;
    void SetReply(ReplyType reply);
    unsigned short GetPktCtrlId() const;
    void SetPktCtrlId(unsigned short id);
    unsigned short GetPktId() const;
    void SetPktId(unsigned short id);

private:
    ReplyType reply;
    unsigned short pktCtrlId;
    unsigned short pktId;
};
MXR_COMPANIONS(TTYReplyMsg);

int _serialize(BasePktCtrl& c, TTYReplyMsg::ReplyType& v);
