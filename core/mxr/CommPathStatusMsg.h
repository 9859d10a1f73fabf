// The notice of a path event that a listener registers as its template: it
// names the path, its kind and far system, and the new heartbeat status. The
// key of devPathName ends in a blank, in writing and in reading.
#pragma once

#include "CommAgentEnt.h"
#include "MessageDeclare.h"
#include "PipeHead.h"
#include "bStr.h"

MXR_MESSAGE_BEGIN(CommPathStatusMsg, BaseMsg,
                  (bStr, localAlias, "localAlias", Get(GetLocalAlias), Set(SetLocalAlias)),
                  (bStr, devPathName, "devPathName ", Get(GetDevPathName), Set(SetDevPathName)),
                  (CommAgentEnt::CommAgentType, commAgentType, "commAgentType", Get(GetCommAgentType),
                   Set(SetCommAgentType)),
                  (bStr, remoteHost, "remoteHost", Get(GetRemoteHost), Set(SetRemoteHost)),
                  (bStr, remoteAlias, "remoteAlias", Get(GetRemoteAlias), Set(SetRemoteAlias)),
                  (PipeHead::HeartBeatStatus, status, "status", Get(GetStatus), Set(SetStatus)))
    // Empty strings; to-address set. The kind and the status are set before
    // the notice is first sent.
    explicit CommPathStatusMsg(const BaseAddrPtr& to) {
        MXR_METHOD_FRAME("CommPathStatusMsg", 1);
        SetToAddr(to);
    }
MXR_END(CommPathStatusMsg);
