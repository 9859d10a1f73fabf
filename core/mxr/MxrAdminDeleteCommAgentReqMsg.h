// Names an agent to be deleted; the administrator answers nothing.
#pragma once

#include "BaseReqMsg.h"
#include "CommAgentEnt.h"
#include "bStr.h"

class MxrAdminDeleteCommAgentReqMsg : public BaseReqMsg {
    MXR_CLASS(MxrAdminDeleteCommAgentReqMsg, BaseReqMsg);
    MXR_FIELDS(MXR_FIELD("localAlias", localAlias),
               MxrMakeEnumField("commAgentType", &MxrSelf::commAgentType, &CommAgentEnt::GetCommAgentTypeCvtPtr),
               MXR_FIELD("devPathName", devPathName));

public:
    // Empty fields (the factory's instance).
    MxrAdminDeleteCommAgentReqMsg();
    // From-address: the receiver being dispatched, if any; then the fields
    // and the to-address.
    MxrAdminDeleteCommAgentReqMsg(const BaseAddrPtr& to, const bStr& localAlias_,
                                  const CommAgentEnt::CommAgentType& commAgentType_, const bStr& devPathName_);
    ~MxrAdminDeleteCommAgentReqMsg() override;

    bStr GetLocalAlias() const;
    CommAgentEnt::CommAgentType GetCommAgentType() const;
    bStr GetDevPathName() const;

private:
    bStr localAlias;
    CommAgentEnt::CommAgentType commAgentType = CommAgentEnt::OTHER;
    bStr devPathName;
};
MXR_COMPANION_PTR(MxrAdminDeleteCommAgentReqMsg);
