// One create-comm-agent request in the manager: makes sure an agent of the
// asked kind and alias is registered and answers 0 as soon as it is, or 1
// when none registered within MxrAdmin::WaitMs. It starts no process: agents
// announce themselves, and the administrator passes each registration to the
// waiting machines it matches. The machine is in the administrator's pending
// list (GetCCASMLst) until it answers.
//
// Binary form: class code and the machine part; s-expression the class name.
#pragma once

#include "BaseStateMach.h"
#include "CommAgentEnt.h"
#include "TimerTag.h"

class MxrAdminCreateCommAgentSM : public BaseStateMach {
    MXR_LOCAL_CLASS(MxrAdminCreateCommAgentSM, BaseStateMach);

public:
    enum enStateName : int { START = 0, WAITFORREGISTER = 1, END = 2 };

    // Empty fields, state START.
    MxrAdminCreateCommAgentSM();
    ~MxrAdminCreateCommAgentSM() override;

    BaseEnumCvtPtr GetEnStateNameCvtPtr() override;
    const StateTblEnt* GetStateTbl() override;

    // START: the request. Answers at once when its agent is ALIVE; else
    // waits for it (a record is made for an agent not yet known).
    virtual BaseMsgPtr TransSTARTMxrAdminCreateCommAgentReqMsg(BaseMsgPtr& msg);
    // WAITFORREGISTER: the agent registered: 0.
    virtual BaseMsgPtr TransWAITFORREGISTERMxrAdminRegisterCommAgentReqMsg(BaseMsgPtr& msg);
    // WAITFORREGISTER: no registration in time: 1.
    virtual BaseMsgPtr TransWAITFORREGISTERGenericTimeoutMsg(BaseMsgPtr& msg);

    // Answer 0 (or retVal) to the requester and leave the pending list.
    BaseMsgPtr SendBackRspMsg();
    BaseMsgPtr SendBackErrMsg(int retVal);

    CommAgentEntPtr GetCaePtr() const;
    bStr GetLocalAlias() const;
    CommAgentEnt::CommAgentType GetCommAgentType() const;
    bStr GetDevPathName() const;
    BaseMsgPtr GetInitMsg() const;
    TimerTagPtr GetTimerTagPtr() const;
    BaseMsgPtr GetReqMsgPtr() const;

private:
    BaseMsgPtr Answer(int retVal);

    CommAgentEntPtr CaePtr;
    bStr LocalAlias;
    CommAgentEnt::CommAgentType CommAgentType = CommAgentEnt::OTHER;
    bStr DevPathName;
    BaseMsgPtr InitMsg;
    TimerTagPtr TimerTagPtr_;
    BaseMsgPtr ReqMsgPtr;
};
MXR_COMPANIONS(MxrAdminCreateCommAgentSM);
