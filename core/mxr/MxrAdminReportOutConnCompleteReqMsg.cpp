#include "MxrAdminReportOutConnCompleteReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(MxrAdminReportOutConnCompleteReqMsg, 70);

MxrAdminReportOutConnCompleteReqMsg::MxrAdminReportOutConnCompleteReqMsg() {
    MXR_METHOD_FRAME("MxrAdminReportOutConnCompleteReqMsg", 0);
}

MxrAdminReportOutConnCompleteReqMsg::MxrAdminReportOutConnCompleteReqMsg(const BaseAddrPtr& to,
                                                                         const int& commAgentTag_,
                                                                         const bStr& remAlias_,
                                                                         const PipeHead::HeartBeatStatus& inHBStatus_,
                                                                         const bStr& devicePath_)
    : commAgentTag(commAgentTag_), remAlias(remAlias_), inHBStatus(inHBStatus_), devicePath(devicePath_) {
    MXR_METHOD_FRAME("MxrAdminReportOutConnCompleteReqMsg", 5);
    SetToAddr(to);
}

MxrAdminReportOutConnCompleteReqMsg::~MxrAdminReportOutConnCompleteReqMsg() {
    MXR_METHOD_FRAME("~MxrAdminReportOutConnCompleteReqMsg", 0);
}

int MxrAdminReportOutConnCompleteReqMsg::GetCommAgentTag() const {
    MXR_METHOD_FRAME("GetCommAgentTag", 0);
    return commAgentTag;
}

bStr MxrAdminReportOutConnCompleteReqMsg::GetRemAlias() const {
    MXR_METHOD_FRAME("GetRemAlias", 0);
    return remAlias;
}

PipeHead::HeartBeatStatus MxrAdminReportOutConnCompleteReqMsg::GetInHBStatus() const {
    MXR_METHOD_FRAME("GetInHBStatus", 0);
    return inHBStatus;
}

bStr MxrAdminReportOutConnCompleteReqMsg::GetDevicePath() const {
    MXR_METHOD_FRAME("GetDevicePath", 0);
    return devicePath;
}
