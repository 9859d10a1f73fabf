// The connect set-up of one path: a non-blocking socket bound to this
// system's address, a connect to the peer's listener on the path's port,
// handed to a SOCKConnectPollAdptr that waits for the outcome. A failed try
// is tried again after a short wait, doubled after each further failure up
// to 30 seconds; a set-up that waits is tried at once when its peer shows
// that it is listening (its inbound connection brought the peer's
// PipeInitMsg). While it waits, the set-up lives through its entry in the
// agent's list of pending connect set-ups.
#pragma once

#include <cstdint>

#include "BaseMsgPtr.h"
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
                           int priority, int hbInterval, int hbMaxMiss, int initialDelay,
                           unsigned lastRetryMs = 0);
    ~SOCKCAMsgRcvrAddHostSM() override;

    BaseEnumCvtPtr GetEnStateNameCvtPtr() override;
    const StateTblEnt* GetStateTbl() override;
    virtual BaseMsgPtr TransSTARTGenericTimeoutMsg(BaseMsgPtr& msg);

    // Joins the pending list; tries at once, or, with an initial delay, after
    // the wait that follows lastRetryMs.
    void KickStart();
    // 0 connect under way; 1 a host not resolvable, 2 socket failed, 3 bind
    // failed, 4 connect failed.
    int SetUpConnect();
    // Stops the retry timer.
    void CleanUp();
    // A set-up waiting for its next try tries now, with its waits started
    // afresh: 1 when it did.
    int TryNow();
    // The peer system host (its PipeInitMsg's name) at address peerAddr
    // (network order; 0 unknown) showed on devicePath that its agent
    // listens: each connect set-up of that path waiting to try again tries
    // now. The count of set-ups told.
    static int PeerIsListening(const bStr& host, std::uint32_t peerAddr, const bStr& devicePath);

    bStr GetRemHostName() const;
    bStr GetDevicePathName() const;
    int GetPriority() const;
    int GetHbInterval() const;
    int GetHbMaxMiss() const;
    int GetTriedOnce() const;
    int GetInitialDelay() const;
    TimerTagPtr GetTimerTagPtr() const;
    // The wait before the last try (0: none, it was the first).
    unsigned GetLastRetryMs() const;

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
    unsigned LastRetryMs = 0;
    std::uint32_t RemoteAddr = 0;  // the peer's address at the last try
    // The try it waits for: a try message of a timer that fired before it
    // was cancelled is not another try.
    BaseMsgPtr PendingTryMsg;
    // Arms the timer of the next try; sends a try now.
    void ArmNextTry();
    void SendTryNow();
};
MXR_COMPANIONS(SOCKCAMsgRcvrAddHostSM);

// The agent's pending connect set-ups (each waiting machine lives here).
SOCKCAMsgRcvrAddHostSMLst& GetAddHostSMLst();
