#include "MxrAdminDeleteCommPathReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(MxrAdminDeleteCommPathReqMsg, 62);

MxrAdminDeleteCommPathReqMsg::MxrAdminDeleteCommPathReqMsg() { MXR_METHOD_FRAME("MxrAdminDeleteCommPathReqMsg", 0); }

MxrAdminDeleteCommPathReqMsg::MxrAdminDeleteCommPathReqMsg(const BaseAddrPtr& to, const bStr& remoteHostName_,
                                                           const bStr& localAlias_, const bStr& remoteAlias_,
                                                           const CommAgentEnt::CommAgentType& commAgentType_,
                                                           const bStr& devPathName_)
    : remoteHostName(remoteHostName_),
      localAlias(localAlias_),
      remoteAlias(remoteAlias_),
      commAgentType(commAgentType_),
      devPathName(devPathName_) {
    MXR_METHOD_FRAME("MxrAdminDeleteCommPathReqMsg", 6);
    SetToAddr(to);
}

MxrAdminDeleteCommPathReqMsg::~MxrAdminDeleteCommPathReqMsg() { MXR_METHOD_FRAME("~MxrAdminDeleteCommPathReqMsg", 0); }

bStr MxrAdminDeleteCommPathReqMsg::GetRemoteHostName() const {
    MXR_METHOD_FRAME("GetRemoteHostName", 0);
    return remoteHostName;
}

bStr MxrAdminDeleteCommPathReqMsg::GetLocalAlias() const {
    MXR_METHOD_FRAME("GetLocalAlias", 0);
    return localAlias;
}

bStr MxrAdminDeleteCommPathReqMsg::GetRemoteAlias() const {
    MXR_METHOD_FRAME("GetRemoteAlias", 0);
    return remoteAlias;
}

CommAgentEnt::CommAgentType MxrAdminDeleteCommPathReqMsg::GetCommAgentType() const {
    MXR_METHOD_FRAME("GetCommAgentType", 0);
    return commAgentType;
}

bStr MxrAdminDeleteCommPathReqMsg::GetDevPathName() const {
    MXR_METHOD_FRAME("GetDevPathName", 0);
    return devPathName;
}
