#include "Message.h"

#include "BinaryFieldCodec.h"
#include "ClassDefine.h"
#include "EnumDefine.h"

MXR_CLASS_DEFINE(Message);
MXR_ENUM_TABLE(Message, GetEnMessageErrCvtPtr, OKAY, NOKAY, NOSUCHMBOX, BADREQMSG, NOMESSAGE, SYNCHSENDFAILED,
               SYNCHRCVFAILED, INTERNALERR);

int _serialize(BasePktCtrl& c, Message::enMessageErr& v) {
    MXR_FRAME("Message", "_serialize", 2, "Message.c");
    return MxrSerializeEnum(c, v);
}

Message::Message() { MXR_METHOD_FRAME("Message", 0); }

Message::Message(const char* text) : DataStr(text) { MXR_METHOD_FRAME("Message", 1); }

Message::~Message() { MXR_METHOD_FRAME("~Message", 0); }
