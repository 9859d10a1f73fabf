// Sends one serial packet that needs an answer and sees it answered: writes
// it, waits up to 15 s for the peer's ACK or NACK, writes it again after a
// NACK (at once) or a time-out, and gives it up after the tenth write.
//
// States: START (a write is due) and WAITFORACK. A GenericTimeoutMsg in START
// writes; in WAITFORACK it is the time-out. The poll adaptor's send list
// holds the machine; leaving the list ends it. The machine points at its
// adaptor without counting (the adaptor holds the machine, and a counted
// pair would keep both for ever); the adaptor clears the pointer when it
// lets its machines go.
#pragma once

#include "BaseStateMach.h"
#include "EnumPattern.h"
#include "TTYPktBufr.h"
#include "TTYReplyMsg.h"
#include "TimerTag.h"

class TTYPipePollAdptr;

class TTYSendMsgSM : public BaseStateMach {
    MXR_LOCAL_CLASS(TTYSendMsgSM, BaseStateMach);
    MXR_FIELDS();

public:
    enum enStateName : int { START = 0, WAITFORACK = 1 };
    MXR_ENUM(enStateName, GetEnStateNameCvtPtrStatic);

    // Wait for an answer, and the most writes of one packet.
    static constexpr unsigned ReplyTimeoutMs = 15000;
    static constexpr int MaxTries = 10;

    TTYSendMsgSM();
    TTYSendMsgSM(int fd, const TTYPktBufrPtr& pkt, TTYPipePollAdptr* adptr, int initialDelay);
    // Cancels a running timer.
    ~TTYSendMsgSM() override;

    // Joins the adaptor's send list and starts: the first write at once
    // (through the loop), or after 15 s with an initial delay.
    void KickStart();
    // Hands the packet to the adaptor's line output; 0, or -1 (traced).
    int SendMsg();

    enMsgResult MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) override;
    BaseEnumCvtPtr GetEnStateNameCvtPtr() override;
    const StateTblEnt* GetStateTbl() override;

    // A write is due (START + GenericTimeoutMsg).
    virtual BaseMsgPtr TransSTARTGenericTimeoutMsg(BaseMsgPtr& msg);
    // The peer answered (WAITFORACK + TTYReplyMsg).
    virtual BaseMsgPtr TransWAITFORACKTTYReplyMsg(BaseMsgPtr& msg);
    // No answer in time (WAITFORACK + GenericTimeoutMsg).
    virtual BaseMsgPtr TransWAITFORACKGenericTimeoutMsg(BaseMsgPtr& msg);

    int GetFd() const;
    void SetFd(int fd);
    int GetNTries() const;
    void SetNTries(int n);
    int GetInitialDelay() const;
    void SetInitialDelay(int delay);
    TTYPktBufrPtr GetTtyPktBufrPtr() const;
    void SetTtyPktBufrPtr(const TTYPktBufrPtr& pkt);
    TimerTagPtr GetTimerTagPtr() const;
    void SetTimerTagPtr(const TimerTagPtr& tag);
    TTYPipePollAdptr* GetPollAdptrPtr() const;
    void SetPollAdptrPtr(TTYPipePollAdptr* adptr);

private:
    // A GenericTimeoutMsg to this machine, queued now or after ms.
    void TriggerNow();
    void TriggerAfter(unsigned ms);
    void CancelTimer();
    // Leaves the adaptor's send list (the machine may end with it).
    void Leave();

    int Fd;
    int NTries;
    int InitialDelay;
    TTYPktBufrPtr TtyPktBufrPtr;
    TimerTagPtr TimerTagPtr_;
    TTYPipePollAdptr* PollAdptrPtr;
};
MXR_COMPANIONS(TTYSendMsgSM);
