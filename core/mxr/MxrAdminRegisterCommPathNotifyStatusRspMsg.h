// The answer to MxrAdminRegisterCommPathNotifyStatusReqMsg: retVal 1 the
// template was registered, 0 it was null or no notice.
#pragma once

#include "BaseRspMsg.h"
#include "MxrAdminRegisterCommPathNotifyStatusReqMsg.h"

class MxrAdminRegisterCommPathNotifyStatusRspMsg : public BaseRspMsg {
    MXR_CLASS(MxrAdminRegisterCommPathNotifyStatusRspMsg, BaseRspMsg);
    MXR_FIELDS(MXR_FIELD("retVal", retVal));

public:
    // Empty fields (the factory's instance).
    MxrAdminRegisterCommPathNotifyStatusRspMsg();
    // Addressed to the request's from-address.
    explicit MxrAdminRegisterCommPathNotifyStatusRspMsg(const MxrAdminRegisterCommPathNotifyStatusReqMsg& req);
    ~MxrAdminRegisterCommPathNotifyStatusRspMsg() override;

    int GetRetVal() const;
    void SetRetVal(int value);

private:
    int retVal = 0;
};
MXR_COMPANION_PTR(MxrAdminRegisterCommPathNotifyStatusRspMsg);
