// Opens and configures the serial port of a path added by the administrator
// and builds the path's serial pipe head; when the port cannot be opened or
// set, it tries again until it succeeds or the path is deleted: after a
// short first wait, doubled after each further failure up to 15 s (each
// through the test time scale).
// The receiver's list of set-ups holds the machine while it waits.
//
// One state, START: each GenericTimeoutMsg is one attempt.
#pragma once

#include "BaseStateMach.h"
#include "EnumPattern.h"
#include "TimerTag.h"
#include "bStr.h"

class TTYCAMsgRcvrAddHostSM : public BaseStateMach {
    MXR_LOCAL_CLASS(TTYCAMsgRcvrAddHostSM, BaseStateMach);
    MXR_FIELDS();

public:
    enum enStateName : int { START = 0 };
    MXR_ENUM(enStateName, GetEnStateNameCvtPtrStatic);

    // The longest wait between two tries, and the first one (before scaling).
    static constexpr unsigned RetryMs = 15000;
    static constexpr unsigned FirstRetryMs = 1000;

    TTYCAMsgRcvrAddHostSM();
    TTYCAMsgRcvrAddHostSM(const bStr& remHostName, const bStr& devicePath, int priority, int hbInterval,
                          int hbMaxMiss, int baudRate, int initialDelay);
    // Cancels a timer it kept.
    ~TTYCAMsgRcvrAddHostSM() override;

    // Joins the receiver's list of set-ups and makes the first attempt now
    // (through the loop) or, with an initial delay, after the first wait.
    void KickStart();
    // 0 when the port is open and its pipe head built, -1 otherwise.
    int SetUpConnect();

    enMsgResult MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) override;
    BaseEnumCvtPtr GetEnStateNameCvtPtr() override;
    const StateTblEnt* GetStateTbl() override;
    virtual BaseMsgPtr TransSTARTGenericTimeoutMsg(BaseMsgPtr& msg);

    bStr GetRemHostName() const;
    void SetRemHostName(const bStr& name);
    int GetTriedOnce() const;
    void SetTriedOnce(int tried);
    int GetInitialDelay() const;
    void SetInitialDelay(int delay);
    bStr GetDevicePath() const;
    void SetDevicePath(const bStr& path);
    int GetPriority() const;
    void SetPriority(int priority);
    int GetHbInterval() const;
    void SetHbInterval(int secs);
    int GetHbMaxMiss() const;
    void SetHbMaxMiss(int misses);
    int GetBaudRate() const;
    void SetBaudRate(int baud);
    TimerTagPtr GetTimerTagPtr() const;
    void SetTimerTagPtr(const TimerTagPtr& tag);
    // The wait before the last try (0: none yet).
    unsigned GetLastRetryMs() const;

private:
    bStr RemHostName;
    int TriedOnce;
    int InitialDelay;
    bStr DevicePath;
    int Priority;
    int HbInterval;
    int HbMaxMiss;
    int BaudRate;
    TimerTagPtr TimerTagPtr_;
    unsigned LastRetryMs = 0;
    // Arms the timer of the next try, waiting longer than the last one.
    void ArmNextTry();
};
MXR_COMPANIONS(TTYCAMsgRcvrAddHostSM);
