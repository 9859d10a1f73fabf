#include "MxrAdminRegisterCommAgentReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(MxrAdminRegisterCommAgentReqMsg, 58);

MxrAdminRegisterCommAgentReqMsg::MxrAdminRegisterCommAgentReqMsg() {
    MXR_METHOD_FRAME("MxrAdminRegisterCommAgentReqMsg", 0);
}

MxrAdminRegisterCommAgentReqMsg::MxrAdminRegisterCommAgentReqMsg(const BaseAddrPtr& to, const long& pid_,
                                                                 const long& tid_, const bStr& localAlias_,
                                                                 const CommAgentEnt::CommAgentType& commAgentType_,
                                                                 const bStr& devPathName_)
    : pid(pid_), tid(tid_), localAlias(localAlias_), commAgentType(commAgentType_), devPathName(devPathName_) {
    MXR_METHOD_FRAME("MxrAdminRegisterCommAgentReqMsg", 6);
    SetToAddr(to);
}

MxrAdminRegisterCommAgentReqMsg::~MxrAdminRegisterCommAgentReqMsg() {
    MXR_METHOD_FRAME("~MxrAdminRegisterCommAgentReqMsg", 0);
}

long MxrAdminRegisterCommAgentReqMsg::GetPid() const {
    MXR_METHOD_FRAME("GetPid", 0);
    return pid;
}

long MxrAdminRegisterCommAgentReqMsg::GetTid() const {
    MXR_METHOD_FRAME("GetTid", 0);
    return tid;
}

bStr MxrAdminRegisterCommAgentReqMsg::GetLocalAlias() const {
    MXR_METHOD_FRAME("GetLocalAlias", 0);
    return localAlias;
}

CommAgentEnt::CommAgentType MxrAdminRegisterCommAgentReqMsg::GetCommAgentType() const {
    MXR_METHOD_FRAME("GetCommAgentType", 0);
    return commAgentType;
}

bStr MxrAdminRegisterCommAgentReqMsg::GetDevPathName() const {
    MXR_METHOD_FRAME("GetDevPathName", 0);
    return devPathName;
}
