// An agent reports a path's new heartbeat status (one-way: no answer).
#pragma once

#include "BaseReqMsg.h"
#include "PipeHead.h"
#include "bStr.h"

class MxrAdminReportCommPathStatusReqMsg : public BaseReqMsg {
    MXR_CLASS(MxrAdminReportCommPathStatusReqMsg, BaseReqMsg);
    MXR_FIELDS(MXR_FIELD("commAgentTag", commAgentTag), MXR_FIELD("remAlias", remAlias),
               MXR_FIELD("deviceName", deviceName),
               MxrMakeEnumField("hbStatus", &MxrSelf::hbStatus, &PipeHead::GetHeartBeatStatusCvtPtr));

public:
    // Empty fields (the factory's instance).
    MxrAdminReportCommPathStatusReqMsg();
    // From-address: the receiver being dispatched, if any; then the fields
    // and the to-address.
    MxrAdminReportCommPathStatusReqMsg(const BaseAddrPtr& to, const int& commAgentTag_, const bStr& remAlias_,
                                       const bStr& deviceName_, const PipeHead::HeartBeatStatus& hbStatus_);
    ~MxrAdminReportCommPathStatusReqMsg() override;

    int GetCommAgentTag() const;
    bStr GetRemAlias() const;
    bStr GetDeviceName() const;
    PipeHead::HeartBeatStatus GetHbStatus() const;

private:
    int commAgentTag = 0;
    bStr remAlias;
    bStr deviceName;
    PipeHead::HeartBeatStatus hbStatus = PipeHead::NONE;
};
MXR_COMPANION_PTR(MxrAdminReportCommPathStatusReqMsg);
