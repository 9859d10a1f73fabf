// A listener asks to be told of path events, giving its template notice
// (addressed to itself). Decoding takes whatever object the pointer names;
// the administrator checks its class.
//
// The answer MxrAdminRegisterCommPathNotifyStatusRspMsg: retVal 1 the
// template was registered, 0 it was null or no notice.
#pragma once

#include "CommPathStatusMsg.h"
#include "MessageDeclare.h"

MXR_REQUEST_WITH_RETVAL(MxrAdminRegisterCommPathNotifyStatusReqMsg, MxrAdminRegisterCommPathNotifyStatusRspMsg,
                        (CommPathStatusMsgPtr, theMsgPtr, "theMsgPtr", Get(GetTheMsgPtr)));
