// The answer class of the outgoing-connection report: no field of its own,
// decodable, built by no one.
#pragma once

#include "BaseRspMsg.h"
#include "MxrAdminReportOutConnCompleteReqMsg.h"

class MxrAdminReportOutConnCompleteRspMsg : public BaseRspMsg {
    MXR_CLASS(MxrAdminReportOutConnCompleteRspMsg, BaseRspMsg);
    MXR_FIELDS();

public:
    // Empty fields (the factory's instance).
    MxrAdminReportOutConnCompleteRspMsg();
    // Addressed to the request's from-address.
    explicit MxrAdminReportOutConnCompleteRspMsg(const MxrAdminReportOutConnCompleteReqMsg& req);
    ~MxrAdminReportOutConnCompleteRspMsg() override;
};
MXR_COMPANION_PTR(MxrAdminReportOutConnCompleteRspMsg);
