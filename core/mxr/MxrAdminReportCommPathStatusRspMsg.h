// The answer class of the status report: no field of its own, decodable, built
// by no one.
#pragma once

#include "BaseRspMsg.h"
#include "MxrAdminReportCommPathStatusReqMsg.h"

class MxrAdminReportCommPathStatusRspMsg : public BaseRspMsg {
    MXR_CLASS(MxrAdminReportCommPathStatusRspMsg, BaseRspMsg);
    MXR_FIELDS();

public:
    // Empty fields (the factory's instance).
    MxrAdminReportCommPathStatusRspMsg();
    // Addressed to the request's from-address.
    explicit MxrAdminReportCommPathStatusRspMsg(const MxrAdminReportCommPathStatusReqMsg& req);
    ~MxrAdminReportCommPathStatusRspMsg() override;
};
MXR_COMPANION_PTR(MxrAdminReportCommPathStatusRspMsg);
