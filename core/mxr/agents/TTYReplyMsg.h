// The answer of the receiving end to one serial packet that needs one: ACK
// (taken) or NACK (refused: resend it), naming the packet by its message
// number and place. A pipe control message: the receiving head consumes it.
// It travels in one packet that needs no answer.
#pragma once

#include "BasePipeMsg.h"
#include "EnumPattern.h"
#include "MessageDeclare.h"
#include "PktSerialize.h"

// The answer's values (4 bytes on the wire), named before the message so that
// its declaration can hold one; the message names them as its own.
struct TTYReplyType {
    struct MxrNames {
        static constexpr const char* cls = "TTYReplyMsg";
        static constexpr const char* src = "TTYReplyMsg.c";
    };
    enum ReplyType : int { ACK = 0, NACK = 1 };
    MXR_ENUM(ReplyType, GetReplyTypeCvtPtr);
};

int _serialize(BasePktCtrl& c, TTYReplyType::ReplyType& v);

MXR_NOTICE_BEGIN(TTYReplyMsg, BasePipeMsg,
                 (TTYReplyType::ReplyType, reply, "reply", Get(GetReply), Set(SetReply)),
                 (unsigned short, pktCtrlId, "pktCtrlId", Get(GetPktCtrlId), Set(SetPktCtrlId)),
                 (unsigned short, pktId, "pktId", Get(GetPktId), Set(SetPktId)))
    using ReplyType = TTYReplyType::ReplyType;
    static constexpr ReplyType ACK = TTYReplyType::ACK;
    static constexpr ReplyType NACK = TTYReplyType::NACK;
    static BaseEnumCvtPtr GetReplyTypeCvtPtr() { return TTYReplyType::GetReplyTypeCvtPtr(); }
MXR_END(TTYReplyMsg);
