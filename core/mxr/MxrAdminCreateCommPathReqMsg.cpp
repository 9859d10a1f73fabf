#include "MxrAdminCreateCommPathReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(MxrAdminCreateCommPathReqMsg, 60);

MxrAdminCreateCommPathReqMsg::MxrAdminCreateCommPathReqMsg() { MXR_METHOD_FRAME("MxrAdminCreateCommPathReqMsg", 0); }

MxrAdminCreateCommPathReqMsg::MxrAdminCreateCommPathReqMsg(const BaseAddrPtr& to, const bStr& remoteHostName_,
                                                           const bStr& localAlias_, const bStr& remoteAlias_,
                                                           const CommAgentEnt::CommAgentType& commAgentType_,
                                                           const bStr& devPathName_, const int& priority_,
                                                           const int& hbInterval_, const int& hbMaxMiss_,
                                                           const int& baudRate_, const BaseMsgPtr& initMsg_)
    : remoteHostName(remoteHostName_),
      localAlias(localAlias_),
      remoteAlias(remoteAlias_),
      commAgentType(commAgentType_),
      devPathName(devPathName_),
      priority(priority_),
      hbInterval(hbInterval_),
      hbMaxMiss(hbMaxMiss_),
      baudRate(baudRate_),
      initMsg(initMsg_) {
    MXR_METHOD_FRAME("MxrAdminCreateCommPathReqMsg", 11);
    SetToAddr(to);
}

MxrAdminCreateCommPathReqMsg::~MxrAdminCreateCommPathReqMsg() { MXR_METHOD_FRAME("~MxrAdminCreateCommPathReqMsg", 0); }

bStr& MxrAdminCreateCommPathReqMsg::GetRemoteHostName() {
    MXR_METHOD_FRAME("GetRemoteHostName", 0);
    return remoteHostName;
}

const bStr& MxrAdminCreateCommPathReqMsg::GetRemoteHostName() const {
    MXR_METHOD_FRAME("GetRemoteHostName", 0);
    return remoteHostName;
}

bStr& MxrAdminCreateCommPathReqMsg::GetLocalAlias() {
    MXR_METHOD_FRAME("GetLocalAlias", 0);
    return localAlias;
}

const bStr& MxrAdminCreateCommPathReqMsg::GetLocalAlias() const {
    MXR_METHOD_FRAME("GetLocalAlias", 0);
    return localAlias;
}

bStr& MxrAdminCreateCommPathReqMsg::GetRemoteAlias() {
    MXR_METHOD_FRAME("GetRemoteAlias", 0);
    return remoteAlias;
}

const bStr& MxrAdminCreateCommPathReqMsg::GetRemoteAlias() const {
    MXR_METHOD_FRAME("GetRemoteAlias", 0);
    return remoteAlias;
}

CommAgentEnt::CommAgentType& MxrAdminCreateCommPathReqMsg::GetCommAgentType() {
    MXR_METHOD_FRAME("GetCommAgentType", 0);
    return commAgentType;
}

const CommAgentEnt::CommAgentType& MxrAdminCreateCommPathReqMsg::GetCommAgentType() const {
    MXR_METHOD_FRAME("GetCommAgentType", 0);
    return commAgentType;
}

bStr& MxrAdminCreateCommPathReqMsg::GetDevPathName() {
    MXR_METHOD_FRAME("GetDevPathName", 0);
    return devPathName;
}

const bStr& MxrAdminCreateCommPathReqMsg::GetDevPathName() const {
    MXR_METHOD_FRAME("GetDevPathName", 0);
    return devPathName;
}

int& MxrAdminCreateCommPathReqMsg::GetPriority() {
    MXR_METHOD_FRAME("GetPriority", 0);
    return priority;
}

const int& MxrAdminCreateCommPathReqMsg::GetPriority() const {
    MXR_METHOD_FRAME("GetPriority", 0);
    return priority;
}

int& MxrAdminCreateCommPathReqMsg::GetHbInterval() {
    MXR_METHOD_FRAME("GetHbInterval", 0);
    return hbInterval;
}

const int& MxrAdminCreateCommPathReqMsg::GetHbInterval() const {
    MXR_METHOD_FRAME("GetHbInterval", 0);
    return hbInterval;
}

int& MxrAdminCreateCommPathReqMsg::GetHbMaxMiss() {
    MXR_METHOD_FRAME("GetHbMaxMiss", 0);
    return hbMaxMiss;
}

const int& MxrAdminCreateCommPathReqMsg::GetHbMaxMiss() const {
    MXR_METHOD_FRAME("GetHbMaxMiss", 0);
    return hbMaxMiss;
}

int& MxrAdminCreateCommPathReqMsg::GetBaudRate() {
    MXR_METHOD_FRAME("GetBaudRate", 0);
    return baudRate;
}

const int& MxrAdminCreateCommPathReqMsg::GetBaudRate() const {
    MXR_METHOD_FRAME("GetBaudRate", 0);
    return baudRate;
}

BaseMsgPtr& MxrAdminCreateCommPathReqMsg::GetInitMsg() {
    MXR_METHOD_FRAME("GetInitMsg", 0);
    return initMsg;
}

const BaseMsgPtr& MxrAdminCreateCommPathReqMsg::GetInitMsg() const {
    MXR_METHOD_FRAME("GetInitMsg", 0);
    return initMsg;
}
