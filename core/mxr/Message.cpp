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

Message::Message() : LastErr(OKAY) { MXR_METHOD_FRAME("Message", 0); }

Message::Message(const char* text) : DataStr(text), LastErr(OKAY) { MXR_METHOD_FRAME("Message", 1); }

Message::~Message() { MXR_METHOD_FRAME("~Message", 0); }

bStr Message::GetReplyToSys() const {
    MXR_METHOD_FRAME("GetReplyToSys", 0);
    return ReplyToSys;
}

void Message::SetReplyToSys(bStr sys) {
    MXR_METHOD_FRAME("SetReplyToSys", 1);
    ReplyToSys = sys;
}

bStr Message::GetReplyToMbox() const {
    MXR_METHOD_FRAME("GetReplyToMbox", 0);
    return ReplyToMbox;
}

void Message::SetReplyToMbox(bStr mbox) {
    MXR_METHOD_FRAME("SetReplyToMbox", 1);
    ReplyToMbox = mbox;
}

bStr Message::GetDataStr() const {
    MXR_METHOD_FRAME("GetDataStr", 0);
    return DataStr;
}

void Message::SetDataStr(bStr data) {
    MXR_METHOD_FRAME("SetDataStr", 1);
    DataStr = data;
}

Message::enMessageErr Message::GetLastErr() const {
    MXR_METHOD_FRAME("GetLastErr", 0);
    return LastErr;
}

void Message::SetLastErr(enMessageErr err) {
    MXR_METHOD_FRAME("SetLastErr", 1);
    LastErr = err;
}
