#include "MailBox.h"

#include "ClassDefine.h"

MXR_LOCAL_CLASS_DEFINE(MailBox);

MailBox::MailBox() { MXR_METHOD_FRAME("MailBox", 0); }

MailBox::~MailBox() { MXR_METHOD_FRAME("~MailBox", 0); }

bStr MailBox::GetMboxName() const {
    MXR_METHOD_FRAME("GetMboxName", 0);
    return MboxName;
}

void MailBox::SetMboxName(bStr name) {
    MXR_METHOD_FRAME("SetMboxName", 1);
    MboxName = name;
}

BaseMsgLst& MailBox::GetMsgList() {
    MXR_METHOD_FRAME("GetMsgList", 0);
    return MsgList;
}

BaseMsgLst& MailBox::GetReqList() {
    MXR_METHOD_FRAME("GetReqList", 0);
    return ReqList;
}

int MailBox::IsEmpty() const {
    MXR_METHOD_FRAME("IsEmpty", 0);
    return MsgList.GetItemCnt() == 0 ? 1 : 0;
}
