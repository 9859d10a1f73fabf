// The answer to PostOfficeDisplayMailBoxLstReqMsg.
// retVal: 0 always; msgPtr holds a Message whose data string is the listing.
#pragma once

#include "MessageDeclare.h"
#include "PostOfficeDisplayMailBoxLstReqMsg.h"

MXR_RESPONSE(PostOfficeDisplayMailBoxLstRspMsg, PostOfficeDisplayMailBoxLstReqMsg,
             (int, retVal, "retVal", Get(GetRetVal), Set(SetRetVal)),
             (BaseMsgPtr, msgPtr, "msgPtr", Ref(GetMsgPtr), Set(SetMsgPtr)));
