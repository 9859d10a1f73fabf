// Asks the administrator to delete a communication path.
#pragma once

#include "BaseReqMsg.h"
#include "CommAgentEnt.h"
#include "bStr.h"

class MxrAdminDeleteCommPathReqMsg : public BaseReqMsg {
    MXR_CLASS(MxrAdminDeleteCommPathReqMsg, BaseReqMsg);
    MXR_FIELDS(MXR_FIELD("remoteHostName", remoteHostName), MXR_FIELD("localAlias", localAlias),
               MXR_FIELD("remoteAlias", remoteAlias),
               MxrMakeEnumField("commAgentType", &MxrSelf::commAgentType, &CommAgentEnt::GetCommAgentTypeCvtPtr),
               MXR_FIELD("devPathName", devPathName));

public:
    // Empty fields (the factory's instance).
    MxrAdminDeleteCommPathReqMsg();
    // From-address: the receiver being dispatched, if any; then the fields
    // and the to-address.
    MxrAdminDeleteCommPathReqMsg(const BaseAddrPtr& to, const bStr& remoteHostName_, const bStr& localAlias_,
                                 const bStr& remoteAlias_, const CommAgentEnt::CommAgentType& commAgentType_,
                                 const bStr& devPathName_);
    ~MxrAdminDeleteCommPathReqMsg() override;

    bStr GetRemoteHostName() const;
    bStr GetLocalAlias() const;
    bStr GetRemoteAlias() const;
    CommAgentEnt::CommAgentType GetCommAgentType() const;
    bStr GetDevPathName() const;

private:
    bStr remoteHostName;
    bStr localAlias;
    bStr remoteAlias;
    CommAgentEnt::CommAgentType commAgentType = CommAgentEnt::OTHER;
    bStr devPathName;
};
MXR_COMPANION_PTR(MxrAdminDeleteCommPathReqMsg);
