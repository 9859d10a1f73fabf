// An agent reports that a path's outgoing connection hung up (one-way).
#pragma once

#include "BaseReqMsg.h"
#include "bStr.h"

class MxrAdminReportDisconnectedReqMsg : public BaseReqMsg {
    MXR_CLASS(MxrAdminReportDisconnectedReqMsg, BaseReqMsg);
    MXR_FIELDS(MXR_FIELD("commAgentTag", commAgentTag), MXR_FIELD("remAlias", remAlias),
               MXR_FIELD("devicePath", devicePath));

public:
    // Empty fields (the factory's instance).
    MxrAdminReportDisconnectedReqMsg();
    // From-address: the receiver being dispatched, if any; then the fields
    // and the to-address.
    MxrAdminReportDisconnectedReqMsg(const BaseAddrPtr& to, const int& commAgentTag_, const bStr& remAlias_,
                                     const bStr& devicePath_);
    ~MxrAdminReportDisconnectedReqMsg() override;

    int GetCommAgentTag() const;
    bStr GetRemAlias() const;
    bStr GetDevicePath() const;

private:
    int commAgentTag = 0;
    bStr remAlias;
    bStr devicePath;
};
MXR_COMPANION_PTR(MxrAdminReportDisconnectedReqMsg);
