// Asks the administrator to wait for an agent of a kind and alias to
// register (sent by the create-path machine when no live agent serves a path).
#pragma once

#include "BaseReqMsg.h"
#include "CommAgentEnt.h"
#include "bStr.h"

class MxrAdminCreateCommAgentReqMsg : public BaseReqMsg {
    MXR_CLASS(MxrAdminCreateCommAgentReqMsg, BaseReqMsg);
    MXR_FIELDS(MXR_FIELD("localAlias", localAlias),
               MxrMakeEnumField("commAgentType", &MxrSelf::commAgentType, &CommAgentEnt::GetCommAgentTypeCvtPtr),
               MXR_FIELD("devPathName", devPathName), MXR_FIELD("initMsg", initMsg));

public:
    // Empty fields (the factory's instance).
    MxrAdminCreateCommAgentReqMsg();
    // From-address: the receiver being dispatched, if any; then the fields
    // and the to-address.
    MxrAdminCreateCommAgentReqMsg(const BaseAddrPtr& to, const bStr& localAlias_,
                                  const CommAgentEnt::CommAgentType& commAgentType_, const bStr& devPathName_,
                                  const BaseMsgPtr& initMsg_);
    ~MxrAdminCreateCommAgentReqMsg() override;

    bStr GetLocalAlias() const;
    CommAgentEnt::CommAgentType GetCommAgentType() const;
    bStr GetDevPathName() const;
    BaseMsgPtr GetInitMsg() const;

private:
    bStr localAlias;
    CommAgentEnt::CommAgentType commAgentType = CommAgentEnt::OTHER;
    bStr devPathName;
    BaseMsgPtr initMsg;
};
MXR_COMPANION_PTR(MxrAdminCreateCommAgentReqMsg);
