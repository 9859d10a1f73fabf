// An agent announces itself: the process and thread of its loop, its alias,
// kind and device. pid and tid travel as 4 bytes.
#pragma once

#include "BaseReqMsg.h"
#include "CommAgentEnt.h"
#include "bStr.h"

class MxrAdminRegisterCommAgentReqMsg : public BaseReqMsg {
    MXR_CLASS(MxrAdminRegisterCommAgentReqMsg, BaseReqMsg);
    MXR_FIELDS(MXR_FIELD("pid", pid), MXR_FIELD("tid", tid), MXR_FIELD("localAlias", localAlias),
               MxrMakeEnumField("commAgentType", &MxrSelf::commAgentType, &CommAgentEnt::GetCommAgentTypeCvtPtr),
               MXR_FIELD("devPathName", devPathName));

public:
    // Empty fields (the factory's instance).
    MxrAdminRegisterCommAgentReqMsg();
    // From-address: the receiver being dispatched, if any; then the fields
    // and the to-address.
    MxrAdminRegisterCommAgentReqMsg(const BaseAddrPtr& to, const long& pid_, const long& tid_, const bStr& localAlias_,
                                    const CommAgentEnt::CommAgentType& commAgentType_, const bStr& devPathName_);
    ~MxrAdminRegisterCommAgentReqMsg() override;

    long GetPid() const;
    long GetTid() const;
    bStr GetLocalAlias() const;
    CommAgentEnt::CommAgentType GetCommAgentType() const;
    bStr GetDevPathName() const;

private:
    long pid = 0;
    long tid = 0;
    bStr localAlias;
    CommAgentEnt::CommAgentType commAgentType = CommAgentEnt::OTHER;
    bStr devPathName;
};
MXR_COMPANION_PTR(MxrAdminRegisterCommAgentReqMsg);
