// The connect set-up of one path: a non-blocking socket bound to this
// system's address, a connect to the peer's listener on the path's port,
// handed to a SOCKConnectPollAdptr that waits for the outcome; retried every
// 30 seconds while a step fails. While it waits, the set-up lives through
// its entry in the agent's list of pending connect set-ups.
#pragma once

#include "BaseStateMach.h"
#include "DestHostEnt.h"
#include "SockNetConfig.h"
#include "TimerTag.h"
#include "bStr.h"

class SOCKCAMsgRcvrAddHostSM : public BaseStateMach {
    MXR_LOCAL_CLASS(SOCKCAMsgRcvrAddHostSM, BaseStateMach);

public:
    enum enStateName : int { START = 0 };

    SOCKCAMsgRcvrAddHostSM();
    SOCKCAMsgRcvrAddHostSM(const bStr& remHostName, SockNetConfig* netConfig, const bStr& devicePathName,
                           int priority, int hbInterval, int hbMaxMiss, int initialDelay);
    ~SOCKCAMsgRcvrAddHostSM() override;

    BaseEnumCvtPtr GetEnStateNameCvtPtr() override;
    const StateTblEnt* GetStateTbl() override;
    virtual BaseMsgPtr TransSTARTGenericTimeoutMsg(BaseMsgPtr& msg);

    // Joins the pending list; tries at once, or after 30 s with an initial delay.
    void KickStart();
    // 0 connect under way; 1 a host not resolvable, 2 socket failed, 3 bind
    // failed, 4 connect failed.
    int SetUpConnect();
    // Stops the retry timer.
    void CleanUp();

    bStr GetRemHostName() const;
    bStr GetDevicePathName() const;
    int GetPriority() const;
    int GetHbInterval() const;
    int GetHbMaxMiss() const;
    int GetTriedOnce() const;
    int GetInitialDelay() const;
    TimerTagPtr GetTimerTagPtr() const;

private:
    bStr RemHostName;
    SockNetConfig* NetConfigP = nullptr;
    bStr DevicePathName;
    int Priority = 0;
    int HbInterval = 0;
    int HbMaxMiss = 0;
    int TriedOnce = 0;
    int InitialDelay = 0;
    DestHostEntPtr AddPathEntPtr;
    TimerTagPtr TimerTagPtr_;
};
MXR_COMPANIONS(SOCKCAMsgRcvrAddHostSM);

// The agent's pending connect set-ups (each waiting machine lives here).
SOCKCAMsgRcvrAddHostSMLst& GetAddHostSMLst();
