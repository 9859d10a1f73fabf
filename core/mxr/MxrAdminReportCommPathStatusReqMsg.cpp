#include "MxrAdminReportCommPathStatusReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(MxrAdminReportCommPathStatusReqMsg, 68);

MxrAdminReportCommPathStatusReqMsg::MxrAdminReportCommPathStatusReqMsg() {
    MXR_METHOD_FRAME("MxrAdminReportCommPathStatusReqMsg", 0);
}

MxrAdminReportCommPathStatusReqMsg::MxrAdminReportCommPathStatusReqMsg(const BaseAddrPtr& to, const int& commAgentTag_,
                                                                       const bStr& remAlias_, const bStr& deviceName_,
                                                                       const PipeHead::HeartBeatStatus& hbStatus_)
    : commAgentTag(commAgentTag_), remAlias(remAlias_), deviceName(deviceName_), hbStatus(hbStatus_) {
    MXR_METHOD_FRAME("MxrAdminReportCommPathStatusReqMsg", 5);
    SetToAddr(to);
}

MxrAdminReportCommPathStatusReqMsg::~MxrAdminReportCommPathStatusReqMsg() {
    MXR_METHOD_FRAME("~MxrAdminReportCommPathStatusReqMsg", 0);
}

int MxrAdminReportCommPathStatusReqMsg::GetCommAgentTag() const {
    MXR_METHOD_FRAME("GetCommAgentTag", 0);
    return commAgentTag;
}

bStr MxrAdminReportCommPathStatusReqMsg::GetRemAlias() const {
    MXR_METHOD_FRAME("GetRemAlias", 0);
    return remAlias;
}

bStr MxrAdminReportCommPathStatusReqMsg::GetDeviceName() const {
    MXR_METHOD_FRAME("GetDeviceName", 0);
    return deviceName;
}

PipeHead::HeartBeatStatus MxrAdminReportCommPathStatusReqMsg::GetHbStatus() const {
    MXR_METHOD_FRAME("GetHbStatus", 0);
    return hbStatus;
}
