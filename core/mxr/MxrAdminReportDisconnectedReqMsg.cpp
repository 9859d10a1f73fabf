#include "MxrAdminReportDisconnectedReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(MxrAdminReportDisconnectedReqMsg, 72);

MxrAdminReportDisconnectedReqMsg::MxrAdminReportDisconnectedReqMsg() {
    MXR_METHOD_FRAME("MxrAdminReportDisconnectedReqMsg", 0);
}

MxrAdminReportDisconnectedReqMsg::MxrAdminReportDisconnectedReqMsg(const BaseAddrPtr& to, const int& commAgentTag_,
                                                                   const bStr& remAlias_, const bStr& devicePath_)
    : commAgentTag(commAgentTag_), remAlias(remAlias_), devicePath(devicePath_) {
    MXR_METHOD_FRAME("MxrAdminReportDisconnectedReqMsg", 4);
    SetToAddr(to);
}

MxrAdminReportDisconnectedReqMsg::~MxrAdminReportDisconnectedReqMsg() {
    MXR_METHOD_FRAME("~MxrAdminReportDisconnectedReqMsg", 0);
}

int MxrAdminReportDisconnectedReqMsg::GetCommAgentTag() const {
    MXR_METHOD_FRAME("GetCommAgentTag", 0);
    return commAgentTag;
}

bStr MxrAdminReportDisconnectedReqMsg::GetRemAlias() const {
    MXR_METHOD_FRAME("GetRemAlias", 0);
    return remAlias;
}

bStr MxrAdminReportDisconnectedReqMsg::GetDevicePath() const {
    MXR_METHOD_FRAME("GetDevicePath", 0);
    return devicePath;
}
