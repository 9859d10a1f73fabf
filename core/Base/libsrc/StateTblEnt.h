// One state of a state machine's table: the state, its list of
// transitions and flags that the concrete machine keeps for itself (the
// engine never reads them). A table ends at the first row whose TransTbl is
// null; a state that accepts nothing has a list holding only the end row.
#pragma once

#include "StateTransTblEnt.h"

struct StateTblEnt {
    int StateId;
    const StateTransTblEnt* TransTbl;
    int StateFlags;

    int GetStateId() const { return StateId; }
    const StateTransTblEnt* GetTransTblAddr() const { return TransTbl; }
    int GetStateFlags() const { return StateFlags; }
};
