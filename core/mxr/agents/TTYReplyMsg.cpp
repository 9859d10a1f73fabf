#include "TTYReplyMsg.h"

#include "ClassDefine.h"
#include "EnumDefine.h"

MXR_CLASS_DEFINE(TTYReplyMsg);
MXR_ENUM_TABLE(TTYReplyType, GetReplyTypeCvtPtr, ACK, NACK);

int _serialize(BasePktCtrl& c, TTYReplyType::ReplyType& v) {
    MXR_FRAME_OF_(TTYReplyType, "_serialize", 2);
    return MxrSerializeEnum(c, v);
}
