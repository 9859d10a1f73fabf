#include "CommPathStatusMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(CommPathStatusMsg, 55);

CommPathStatusMsg::CommPathStatusMsg() { MXR_METHOD_FRAME("CommPathStatusMsg", 0); }

CommPathStatusMsg::CommPathStatusMsg(BaseAddrPtr to) {
    MXR_METHOD_FRAME("CommPathStatusMsg", 1);
    SetToAddr(to);
}

CommPathStatusMsg::~CommPathStatusMsg() { MXR_METHOD_FRAME("~CommPathStatusMsg", 0); }

bStr CommPathStatusMsg::GetLocalAlias() const {
    MXR_METHOD_FRAME("GetLocalAlias", 0);
    return localAlias;
}

void CommPathStatusMsg::SetLocalAlias(bStr value) {
    MXR_METHOD_FRAME("SetLocalAlias", 1);
    localAlias = value;
}

bStr CommPathStatusMsg::GetDevPathName() const {
    MXR_METHOD_FRAME("GetDevPathName", 0);
    return devPathName;
}

void CommPathStatusMsg::SetDevPathName(bStr value) {
    MXR_METHOD_FRAME("SetDevPathName", 1);
    devPathName = value;
}

CommAgentEnt::CommAgentType CommPathStatusMsg::GetCommAgentType() const {
    MXR_METHOD_FRAME("GetCommAgentType", 0);
    return commAgentType;
}

void CommPathStatusMsg::SetCommAgentType(CommAgentEnt::CommAgentType value) {
    MXR_METHOD_FRAME("SetCommAgentType", 1);
    commAgentType = value;
}

bStr CommPathStatusMsg::GetRemoteHost() const {
    MXR_METHOD_FRAME("GetRemoteHost", 0);
    return remoteHost;
}

void CommPathStatusMsg::SetRemoteHost(bStr value) {
    MXR_METHOD_FRAME("SetRemoteHost", 1);
    remoteHost = value;
}

bStr CommPathStatusMsg::GetRemoteAlias() const {
    MXR_METHOD_FRAME("GetRemoteAlias", 0);
    return remoteAlias;
}

void CommPathStatusMsg::SetRemoteAlias(bStr value) {
    MXR_METHOD_FRAME("SetRemoteAlias", 1);
    remoteAlias = value;
}

PipeHead::HeartBeatStatus CommPathStatusMsg::GetStatus() const {
    MXR_METHOD_FRAME("GetStatus", 0);
    return status;
}

void CommPathStatusMsg::SetStatus(PipeHead::HeartBeatStatus value) {
    MXR_METHOD_FRAME("SetStatus", 1);
    status = value;
}
