// An agent reports that a path's outgoing connection has exchanged its init
// message, with the incoming side's heartbeat status (one-way).
#pragma once

#include "BaseReqMsg.h"
#include "PipeHead.h"
#include "bStr.h"

class MxrAdminReportOutConnCompleteReqMsg : public BaseReqMsg {
    MXR_CLASS(MxrAdminReportOutConnCompleteReqMsg, BaseReqMsg);
    MXR_FIELDS(MXR_FIELD("commAgentTag", commAgentTag), MXR_FIELD("remAlias", remAlias),
               MxrMakeEnumField("inHBStatus", &MxrSelf::inHBStatus, &PipeHead::GetHeartBeatStatusCvtPtr),
               MXR_FIELD("devicePath", devicePath));

public:
    // Empty fields (the factory's instance).
    MxrAdminReportOutConnCompleteReqMsg();
    // From-address: the receiver being dispatched, if any; then the fields
    // and the to-address.
    MxrAdminReportOutConnCompleteReqMsg(const BaseAddrPtr& to, const int& commAgentTag_, const bStr& remAlias_,
                                        const PipeHead::HeartBeatStatus& inHBStatus_, const bStr& devicePath_);
    ~MxrAdminReportOutConnCompleteReqMsg() override;

    int GetCommAgentTag() const;
    bStr GetRemAlias() const;
    PipeHead::HeartBeatStatus GetInHBStatus() const;
    bStr GetDevicePath() const;

private:
    int commAgentTag = 0;
    bStr remAlias;
    PipeHead::HeartBeatStatus inHBStatus = PipeHead::NONE;
    bStr devicePath;
};
MXR_COMPANION_PTR(MxrAdminReportOutConnCompleteReqMsg);
