// The answer to PostOfficeRcvFromMboxReqMsg.
// retVal: 0 with the message in msgPtr; 1 no such mailbox. Carries the request's
// mailbox name.
#pragma once

#include "MessageDeclare.h"
#include "PostOfficeRcvFromMboxReqMsg.h"
#include "bStr.h"

MXR_RESPONSE(PostOfficeRcvFromMboxRspMsg, PostOfficeRcvFromMboxReqMsg,
             (int, retVal, "retVal", Get(GetRetVal), Set(SetRetVal)),
             (BaseMsgPtr, msgPtr, "msgPtr", Ref(GetMsgPtr), Set(SetMsgPtr)),
             (bStr, mBoxName, "mBoxName", Get(GetMBoxName), FromRequest(GetMBoxName)));
