// One create-comm-path request in the manager: records the new path (and its
// remote host), finds the agent that serves its kind and alias or has the
// administrator wait for one to register, asks the agent to serve the path,
// and answers the requester 0 when the agent answers, 1 when a wait of
// MxrAdmin::WaitMs runs out. One timer bounds each wait. The machine is in
// the administrator's pending list (GetCcpSMLst) until it answers.
//
// Binary form: class code and the machine part; s-expression the class name.
#pragma once

#include "BaseStateMach.h"
#include "CommAgentEnt.h"
#include "DestHostEnt.h"
#include "RemoteHostEnt.h"
#include "TimerTag.h"

class MxrAdminCreateCommPathSM : public BaseStateMach {
    MXR_LOCAL_CLASS(MxrAdminCreateCommPathSM, BaseStateMach);

public:
    enum enStateName : int { START = 0, COMMAGENT = 1, PATH = 2, END = 3 };

    // Empty fields, state START.
    MxrAdminCreateCommPathSM();
    ~MxrAdminCreateCommPathSM() override;

    BaseEnumCvtPtr GetEnStateNameCvtPtr() override;
    const StateTblEnt* GetStateTbl() override;

    // START: the request. With an ALIVE agent first in line the path goes to
    // it (-> PATH); else the administrator is asked for an agent (-> COMMAGENT).
    virtual BaseMsgPtr TransSTARTMxrAdminCreateCommPathReqMsg(BaseMsgPtr& msg);
    // COMMAGENT: the agent question answered: the timer restarts and the
    // path goes to the first matching agent, if any (-> PATH).
    virtual BaseMsgPtr TransCOMMAGENTMxrAdminCreateCommAgentRspMsg(BaseMsgPtr& msg);
    virtual BaseMsgPtr TransCOMMAGENTGenericTimeoutMsg(BaseMsgPtr& msg);
    // PATH: the agent took the path: 0.
    virtual BaseMsgPtr TransPATHCommAgentMsgRcvrAddHostRspMsg(BaseMsgPtr& msg);
    virtual BaseMsgPtr TransPATHGenericTimeoutMsg(BaseMsgPtr& msg);

    // Adds the path to CaePtr's agent and sends that agent the add-host request.
    void AddHosttoCA();
    // Answers retVal and leaves the pending list.
    BaseMsgPtr SendBackErrMsg(int retVal);

    RemoteHostEntPtr GetRhePtr() const;
    CommAgentEntPtr GetCaePtr() const;
    DestHostEntPtr GetCommPathEntPtr() const;
    TimerTagPtr GetTimerTagPtr() const;
    BaseMsgPtr GetReqMsgPtr() const;

private:
    void Answer(int retVal);

    RemoteHostEntPtr RhePtr;
    CommAgentEntPtr CaePtr;
    int Priority = 0;
    int HbInterval = 0;
    int HbMaxMiss = 0;
    int BaudRate = 0;
    bStr RemHostName;
    bStr LocalAlias;
    bStr RemoteAlias;
    CommAgentEnt::CommAgentType CommAgentType = CommAgentEnt::OTHER;
    bStr DevPathName;
    DestHostEntPtr CommPathEntPtr;
    BaseMsgPtr InitMsg;
    TimerTagPtr TimerTagPtr_;
    BaseMsgPtr ReqMsgPtr;
};
MXR_COMPANIONS(MxrAdminCreateCommPathSM);
