#include "MxrAdminCreateCommAgentReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(MxrAdminCreateCommAgentReqMsg, 64);

MxrAdminCreateCommAgentReqMsg::MxrAdminCreateCommAgentReqMsg() { MXR_METHOD_FRAME("MxrAdminCreateCommAgentReqMsg", 0); }

MxrAdminCreateCommAgentReqMsg::MxrAdminCreateCommAgentReqMsg(const BaseAddrPtr& to, const bStr& localAlias_,
                                                             const CommAgentEnt::CommAgentType& commAgentType_,
                                                             const bStr& devPathName_, const BaseMsgPtr& initMsg_)
    : localAlias(localAlias_), commAgentType(commAgentType_), devPathName(devPathName_), initMsg(initMsg_) {
    MXR_METHOD_FRAME("MxrAdminCreateCommAgentReqMsg", 5);
    SetToAddr(to);
}

MxrAdminCreateCommAgentReqMsg::~MxrAdminCreateCommAgentReqMsg() {
    MXR_METHOD_FRAME("~MxrAdminCreateCommAgentReqMsg", 0);
}

bStr MxrAdminCreateCommAgentReqMsg::GetLocalAlias() const {
    MXR_METHOD_FRAME("GetLocalAlias", 0);
    return localAlias;
}

CommAgentEnt::CommAgentType MxrAdminCreateCommAgentReqMsg::GetCommAgentType() const {
    MXR_METHOD_FRAME("GetCommAgentType", 0);
    return commAgentType;
}

bStr MxrAdminCreateCommAgentReqMsg::GetDevPathName() const {
    MXR_METHOD_FRAME("GetDevPathName", 0);
    return devPathName;
}

BaseMsgPtr MxrAdminCreateCommAgentReqMsg::GetInitMsg() const {
    MXR_METHOD_FRAME("GetInitMsg", 0);
    return initMsg;
}
