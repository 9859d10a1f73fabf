#include "MxrAdminDeleteCommAgentReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(MxrAdminDeleteCommAgentReqMsg, 66);

MxrAdminDeleteCommAgentReqMsg::MxrAdminDeleteCommAgentReqMsg() { MXR_METHOD_FRAME("MxrAdminDeleteCommAgentReqMsg", 0); }

MxrAdminDeleteCommAgentReqMsg::MxrAdminDeleteCommAgentReqMsg(const BaseAddrPtr& to, const bStr& localAlias_,
                                                             const CommAgentEnt::CommAgentType& commAgentType_,
                                                             const bStr& devPathName_)
    : localAlias(localAlias_), commAgentType(commAgentType_), devPathName(devPathName_) {
    MXR_METHOD_FRAME("MxrAdminDeleteCommAgentReqMsg", 4);
    SetToAddr(to);
}

MxrAdminDeleteCommAgentReqMsg::~MxrAdminDeleteCommAgentReqMsg() {
    MXR_METHOD_FRAME("~MxrAdminDeleteCommAgentReqMsg", 0);
}

bStr MxrAdminDeleteCommAgentReqMsg::GetLocalAlias() const {
    MXR_METHOD_FRAME("GetLocalAlias", 0);
    return localAlias;
}

CommAgentEnt::CommAgentType MxrAdminDeleteCommAgentReqMsg::GetCommAgentType() const {
    MXR_METHOD_FRAME("GetCommAgentType", 0);
    return commAgentType;
}

bStr MxrAdminDeleteCommAgentReqMsg::GetDevPathName() const {
    MXR_METHOD_FRAME("GetDevPathName", 0);
    return devPathName;
}
