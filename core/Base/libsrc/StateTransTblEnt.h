// One transition of a state machine's table: the message class it accepts
// (through the class's ClassCode variable, read at each lookup), the state
// it leads to and the function that handles the message. A state's list of
// transitions ends at the first row whose MsgIdAddr is null.
#pragma once

#include "BaseMsgPtr.h"

class BaseMsgRcvr;

struct StateTransTblEnt {
    // Calls the machine's virtual handler of the transition; returns the
    // message to run through the table next, or an empty pointer.
    using TransFunc = BaseMsgPtr (*)(BaseMsgRcvr* rcvr, BaseMsgPtr& msg);

    const int* MsgIdAddr;
    int NextState;
    TransFunc Func;

    const int* GetMsgIdAddr() const { return MsgIdAddr; }
    int GetNextState() const { return NextState; }
    TransFunc GetFuncPtr() const { return Func; }
};
