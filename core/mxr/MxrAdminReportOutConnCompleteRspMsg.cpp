#include "MxrAdminReportOutConnCompleteRspMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(MxrAdminReportOutConnCompleteRspMsg, 71);

MxrAdminReportOutConnCompleteRspMsg::MxrAdminReportOutConnCompleteRspMsg() {
    MXR_METHOD_FRAME("MxrAdminReportOutConnCompleteRspMsg", 0);
}

MxrAdminReportOutConnCompleteRspMsg::MxrAdminReportOutConnCompleteRspMsg(
    const MxrAdminReportOutConnCompleteReqMsg& req) {
    MXR_METHOD_FRAME("MxrAdminReportOutConnCompleteRspMsg", 1);
    SetToAddr(req.GetFrmAddr());
}

MxrAdminReportOutConnCompleteRspMsg::~MxrAdminReportOutConnCompleteRspMsg() {
    MXR_METHOD_FRAME("~MxrAdminReportOutConnCompleteRspMsg", 0);
}
