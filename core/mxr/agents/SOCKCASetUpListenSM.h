// The listen set-up of one path: opens a non-blocking listening socket on
// this system's address (its local alias's, or its host name's) and the
// path's port, retrying every 30 seconds until that works, then hands the
// socket to a SOCKListenPollAdptr and ends. While it waits, the set-up
// lives through its entry in the agent's list of pending listen set-ups.
#pragma once

#include "BaseStateMach.h"
#include "SockNetConfig.h"
#include "TimerTag.h"
#include "bStr.h"

class SOCKCASetUpListenSM : public BaseStateMach {
    MXR_LOCAL_CLASS(SOCKCASetUpListenSM, BaseStateMach);

public:
    enum enStateName : int { START = 0 };

    SOCKCASetUpListenSM();
    SOCKCASetUpListenSM(const bStr& localAlias, SockNetConfig* netConfig, const bStr& devicePathName, int priority,
                        int hbInterval, int hbMaxMiss);
    ~SOCKCASetUpListenSM() override;

    BaseEnumCvtPtr GetEnStateNameCvtPtr() override;
    const StateTblEnt* GetStateTbl() override;
    virtual BaseMsgPtr TransSTARTGenericTimeoutMsg(BaseMsgPtr& msg);

    // Joins the pending list and tries at once (through the loop).
    void KickStart();
    // 0 listening; 1 host not resolvable, 2 socket failed, 3 bind failed.
    int SetUpListen();
    // Closes the socket and stops the retry timer.
    void CleanUp();

    int GetFd() const;
    bStr GetLocalAlias() const;
    bStr GetDevicePathName() const;
    int GetPriority() const;
    int GetHbInterval() const;
    int GetHbMaxMiss() const;
    int GetTriedOnce() const;
    TimerTagPtr GetTimerTagPtr() const;

private:
    int Fd = -1;
    SockNetConfig* NetConfigP = nullptr;
    int Address = 0;
    bStr LocalAlias;
    bStr DevicePathName;
    int Priority = 0;
    int HbInterval = 0;
    int HbMaxMiss = 0;
    int TriedOnce = 0;
    TimerTagPtr TimerTagPtr_;
};
MXR_COMPANIONS(SOCKCASetUpListenSM);

// The agent's pending listen set-ups (each waiting machine lives here).
SOCKCASetUpListenSMLst& GetSetUpListenSMLst();
