// The answer to MxrAdminIsAnyCommPathToHostUpReqMsg: retVal 0 a path is up or
// the host is this one, 1 otherwise.
#pragma once

#include "BaseRspMsg.h"
#include "MxrAdminIsAnyCommPathToHostUpReqMsg.h"

class MxrAdminIsAnyCommPathToHostUpRspMsg : public BaseRspMsg {
    MXR_CLASS(MxrAdminIsAnyCommPathToHostUpRspMsg, BaseRspMsg);
    MXR_FIELDS(MXR_FIELD("retVal", retVal));

public:
    // Empty fields (the factory's instance).
    MxrAdminIsAnyCommPathToHostUpRspMsg();
    // Addressed to the request's from-address.
    explicit MxrAdminIsAnyCommPathToHostUpRspMsg(const MxrAdminIsAnyCommPathToHostUpReqMsg& req);
    ~MxrAdminIsAnyCommPathToHostUpRspMsg() override;

    int GetRetVal() const;
    void SetRetVal(int value);

private:
    int retVal = 0;
};
MXR_COMPANION_PTR(MxrAdminIsAnyCommPathToHostUpRspMsg);
