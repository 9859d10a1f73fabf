// The answer to PostOfficeRcvFromHostMboxReqMsg.
// retVal: 0 with the message in msgPtr; 1 no such mailbox; -1 the host cannot be
// reached. Carries the request's host and mailbox name.
#pragma once

#include "MessageDeclare.h"
#include "PostOfficeRcvFromHostMboxReqMsg.h"
#include "bStr.h"

MXR_RESPONSE(PostOfficeRcvFromHostMboxRspMsg, PostOfficeRcvFromHostMboxReqMsg,
             (int, retVal, "retVal", Get(GetRetVal), Set(SetRetVal)),
             (BaseMsgPtr, msgPtr, "msgPtr", Ref(GetMsgPtr), Set(SetMsgPtr)),
             (bStr, host, "host", Get(GetHost), FromRequest(GetHost)),
             (bStr, mBoxName, "mBoxName", Get(GetMBoxName), FromRequest(GetMBoxName)));
