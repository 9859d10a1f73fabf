// Asks the administrator for a communication path to a remote host. initMsg
// is carried for the agent and read by no receiver (null as the system sends it).
#pragma once

#include "BaseReqMsg.h"
#include "CommAgentEnt.h"
#include "bStr.h"

class MxrAdminCreateCommPathReqMsg : public BaseReqMsg {
    MXR_CLASS(MxrAdminCreateCommPathReqMsg, BaseReqMsg);
    MXR_FIELDS(MXR_FIELD("remoteHostName", remoteHostName), MXR_FIELD("localAlias", localAlias),
               MXR_FIELD("remoteAlias", remoteAlias),
               MxrMakeEnumField("commAgentType", &MxrSelf::commAgentType, &CommAgentEnt::GetCommAgentTypeCvtPtr),
               MXR_FIELD("devPathName", devPathName), MXR_FIELD("priority", priority),
               MXR_FIELD("hbInterval", hbInterval), MXR_FIELD("hbMaxMiss", hbMaxMiss), MXR_FIELD("baudRate ", baudRate),
               MXR_FIELD("initMsg", initMsg));

public:
    // Empty fields (the factory's instance).
    MxrAdminCreateCommPathReqMsg();
    // From-address: the receiver being dispatched, if any; then the fields
    // and the to-address.
    MxrAdminCreateCommPathReqMsg(const BaseAddrPtr& to, const bStr& remoteHostName_, const bStr& localAlias_,
                                 const bStr& remoteAlias_, const CommAgentEnt::CommAgentType& commAgentType_,
                                 const bStr& devPathName_, const int& priority_, const int& hbInterval_,
                                 const int& hbMaxMiss_, const int& baudRate_, const BaseMsgPtr& initMsg_);
    ~MxrAdminCreateCommPathReqMsg() override;

    bStr& GetRemoteHostName();
    const bStr& GetRemoteHostName() const;
    bStr& GetLocalAlias();
    const bStr& GetLocalAlias() const;
    bStr& GetRemoteAlias();
    const bStr& GetRemoteAlias() const;
    CommAgentEnt::CommAgentType& GetCommAgentType();
    const CommAgentEnt::CommAgentType& GetCommAgentType() const;
    bStr& GetDevPathName();
    const bStr& GetDevPathName() const;
    int& GetPriority();
    const int& GetPriority() const;
    int& GetHbInterval();
    const int& GetHbInterval() const;
    int& GetHbMaxMiss();
    const int& GetHbMaxMiss() const;
    int& GetBaudRate();
    const int& GetBaudRate() const;
    BaseMsgPtr& GetInitMsg();
    const BaseMsgPtr& GetInitMsg() const;

private:
    bStr remoteHostName;
    bStr localAlias;
    bStr remoteAlias;
    CommAgentEnt::CommAgentType commAgentType = CommAgentEnt::OTHER;
    bStr devPathName;
    int priority = 0;
    int hbInterval = 0;
    int hbMaxMiss = 0;
    int baudRate = 0;
    BaseMsgPtr initMsg;
};
MXR_COMPANION_PTR(MxrAdminCreateCommPathReqMsg);
