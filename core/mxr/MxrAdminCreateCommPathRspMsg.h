// The answer to MxrAdminCreateCommPathReqMsg: retVal 0 the agent took the path,
// 1 a wait timed out.
#pragma once

#include "BaseRspMsg.h"
#include "MxrAdminCreateCommPathReqMsg.h"

class MxrAdminCreateCommPathRspMsg : public BaseRspMsg {
    MXR_CLASS(MxrAdminCreateCommPathRspMsg, BaseRspMsg);
    MXR_FIELDS(MXR_FIELD("retVal", retVal));

public:
    // Empty fields (the factory's instance).
    MxrAdminCreateCommPathRspMsg();
    // Addressed to the request's from-address.
    explicit MxrAdminCreateCommPathRspMsg(const MxrAdminCreateCommPathReqMsg& req);
    ~MxrAdminCreateCommPathRspMsg() override;

    int GetRetVal() const;
    void SetRetVal(int value);

private:
    int retVal = 0;
};
MXR_COMPANION_PTR(MxrAdminCreateCommPathRspMsg);
