// One delete-comm-path request in the manager: finds the path among the
// administrator's records, takes it from the agent that serves it, tells
// that agent to stop serving it and reports the path DEAD to the listeners.
// Answers 1 at once for an unknown host, agent or path; 0 when the agent
// answers; 1 when it does not within MxrAdmin::WaitMs (the path, already
// taken from the agent, is then reported DEAD too). The machine is in the
// administrator's pending list (GetDeleteCPSMLst) until it answers.
//
// Binary form: class code and the machine part; s-expression the class name.
#pragma once

#include "BaseStateMach.h"
#include "CommAgentEnt.h"
#include "RemoteHostEnt.h"
#include "TimerTag.h"

class MxrAdminDeleteCommPathSM : public BaseStateMach {
    MXR_LOCAL_CLASS(MxrAdminDeleteCommPathSM, BaseStateMach);

public:
    enum enStateName : int { START = 0, COMMAGENT = 1, END = 2 };

    // Empty fields, state START.
    MxrAdminDeleteCommPathSM();
    ~MxrAdminDeleteCommPathSM() override;

    BaseEnumCvtPtr GetEnStateNameCvtPtr() override;
    const StateTblEnt* GetStateTbl() override;

    virtual BaseMsgPtr TransSTARTMxrAdminDeleteCommPathReqMsg(BaseMsgPtr& msg);
    virtual BaseMsgPtr TransCOMMAGENTCommAgentMsgRcvrDeleteHostRspMsg(BaseMsgPtr& msg);
    virtual BaseMsgPtr TransCOMMAGENTGenericTimeoutMsg(BaseMsgPtr& msg);

    RemoteHostEntPtr GetRhePtr() const;
    CommAgentEntPtr GetCaePtr() const;
    TimerTagPtr GetTimerTagPtr() const;
    BaseMsgPtr GetReqMsgPtr() const;

private:
    // Answers retVal and leaves the pending list; an empty message.
    BaseMsgPtr Answer(int retVal);
    // The path's DEAD event through the manager world's administrator.
    void ReportDown();

    RemoteHostEntPtr RhePtr;
    CommAgentEntPtr CaePtr;
    bStr RemHostName;
    bStr LocalAlias;
    bStr RemoteAlias;
    CommAgentEnt::CommAgentType CommAgentType = CommAgentEnt::OTHER;
    bStr DevPathName;
    TimerTagPtr TimerTagPtr_;
    BaseMsgPtr ReqMsgPtr;
};
MXR_COMPANIONS(MxrAdminDeleteCommPathSM);
