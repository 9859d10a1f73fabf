// The answer class of the disconnected report: no field of its own,
// decodable, built by no one.
#pragma once

#include "BaseRspMsg.h"
#include "MxrAdminReportDisconnectedReqMsg.h"

class MxrAdminReportDisconnectedRspMsg : public BaseRspMsg {
    MXR_CLASS(MxrAdminReportDisconnectedRspMsg, BaseRspMsg);
    MXR_FIELDS();

public:
    // Empty fields (the factory's instance).
    MxrAdminReportDisconnectedRspMsg();
    // Addressed to the request's from-address.
    explicit MxrAdminReportDisconnectedRspMsg(const MxrAdminReportDisconnectedReqMsg& req);
    ~MxrAdminReportDisconnectedRspMsg() override;
};
MXR_COMPANION_PTR(MxrAdminReportDisconnectedRspMsg);
