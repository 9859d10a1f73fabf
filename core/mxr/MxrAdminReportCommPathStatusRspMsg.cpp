#include "MxrAdminReportCommPathStatusRspMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(MxrAdminReportCommPathStatusRspMsg, 69);

MxrAdminReportCommPathStatusRspMsg::MxrAdminReportCommPathStatusRspMsg() {
    MXR_METHOD_FRAME("MxrAdminReportCommPathStatusRspMsg", 0);
}

MxrAdminReportCommPathStatusRspMsg::MxrAdminReportCommPathStatusRspMsg(const MxrAdminReportCommPathStatusReqMsg& req) {
    MXR_METHOD_FRAME("MxrAdminReportCommPathStatusRspMsg", 1);
    SetToAddr(req.GetFrmAddr());
}

MxrAdminReportCommPathStatusRspMsg::~MxrAdminReportCommPathStatusRspMsg() {
    MXR_METHOD_FRAME("~MxrAdminReportCommPathStatusRspMsg", 0);
}
