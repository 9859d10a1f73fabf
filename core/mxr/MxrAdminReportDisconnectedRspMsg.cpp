#include "MxrAdminReportDisconnectedRspMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(MxrAdminReportDisconnectedRspMsg, 73);

MxrAdminReportDisconnectedRspMsg::MxrAdminReportDisconnectedRspMsg() {
    MXR_METHOD_FRAME("MxrAdminReportDisconnectedRspMsg", 0);
}

MxrAdminReportDisconnectedRspMsg::MxrAdminReportDisconnectedRspMsg(const MxrAdminReportDisconnectedReqMsg& req) {
    MXR_METHOD_FRAME("MxrAdminReportDisconnectedRspMsg", 1);
    SetToAddr(req.GetFrmAddr());
}

MxrAdminReportDisconnectedRspMsg::~MxrAdminReportDisconnectedRspMsg() {
    MXR_METHOD_FRAME("~MxrAdminReportDisconnectedRspMsg", 0);
}
