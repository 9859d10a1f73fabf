// What the socket agent's two set-up machines (listen and connect) share:
// one state, START, in which a GenericTimeoutMsg runs the machine's
// TransSTARTGenericTimeoutMsg (a try) and leaves it in START; and the timer
// of the next try after a failed one (the listen's: 30 s).
#pragma once

#include "BaseMsgRcvr.h"
#include "EnumCvtEnt.h"
#include "GenericTimeoutMsg.h"
#include "SockNetConfig.h"
#include "SockTrace.h"
#include "StateTblEnt.h"
#include "StateTransTblEnt.h"
#include "TimerManager.h"

#include <string>

template <class SM>
struct SockRetryTable {
    static BaseMsgPtr Try(BaseMsgRcvr* r, BaseMsgPtr& m) { return static_cast<SM*>(r)->TransSTARTGenericTimeoutMsg(m); }
    static inline const EnumCvtEnt names[] = {{SM::START, "START"}};
    static inline const StateTransTblEnt startTrans[] = {
        {&GenericTimeoutMsg::ClassCode, SM::START, &Try},
        {nullptr, 0, nullptr},
    };
    static inline const StateTblEnt table[] = {{SM::START, startTrans, 0}, {0, nullptr, 0}};
};

// The try message msg to its machine after delayMs; the timer's tag. Traced,
// so that a test sees each wait begin.
inline TimerTagPtr SockArmRetry(const BaseMsgPtr& msg, unsigned delayMs) {
    SockTrace("Next try in " + std::to_string(delayMs) + " ms");
    return TimerManager::SetOneShotTimer(msg, delayMs);
}

// A GenericTimeoutMsg to machine after delayMs (the retry period unless
// given); the timer's tag.
inline TimerTagPtr SockArmRetry(BaseMsgRcvr& machine, unsigned delayMs = SockNetConfig::RetryMs()) {
    return SockArmRetry(BaseMsgPtr(new GenericTimeoutMsg(BaseAddrPtr(machine.GetAddrPtr()))), delayMs);
}
