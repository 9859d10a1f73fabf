// A table-driven state machine: a receiver whose default handler looks the
// message up in the row of its current state, runs the first transition
// whose message class the message is of (a row for a base class takes all
// its subclasses: order decides), and moves to the transition's next state.
// A transition may hand back a message, which is run through the table at
// once, in the new state. A message the current state does not accept is
// left NOTPROCESSED and the state stays.
//
// A concrete machine supplies its state enumeration and converter, its
// table (slot 10), and one virtual handler per transition, named Trans +
// state name + message class name; the table's functions call them. Its
// constructor sets the first state with SetState.
#pragma once

#include "BaseMsgRcvr.h"
#include "StateTblEnt.h"
#include "StateTransTblEnt.h"

class BaseStateMach : public BaseMsgRcvr {
    MXR_ABSTRACT_CLASS(BaseStateMach, BaseMsgRcvr);
    MXR_FIELDS(MXR_FIELD("state", State), MXR_FIELD("nextState", NextState));

public:
    ~BaseStateMach() override;

    int GetState() const;
    void SetState(int state);
    int GetNextState() const;
    // From a handler: go to this state instead of the one the table names.
    void SetNextState(int state);

    // slot 8: the table engine. PROCESSED when at least one transition ran.
    enMsgResult DfltMsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) override;

    // slot 9: the converter of the machine's state names.
    virtual BaseEnumCvtPtr GetEnStateNameCvtPtr() = 0;
    // slot 10: the first row of the machine's table.
    virtual const StateTblEnt* GetStateTbl() = 0;

protected:
    // The state is left for the concrete machine's constructor to set.
    BaseStateMach();

    int State;
    int NextState;
};
MXR_COMPANION_PTR(BaseStateMach);
