// The serial agent's receiver: registered under the logical name
// COMMAGENTMSGRCVR (8) in its process, it registers the agent with the
// administrator as a TTY agent when it is built, keeps the tag the
// administrator answers with, and serves the administrator's add-host and
// delete-host requests: a path added gets a set-up machine
// (TTYCAMsgRcvrAddHostSM) that opens its port; a path deleted closes its
// serial line, or drops its pending set-up.
#pragma once

#include "CommAgentMsgRcvr.h"
#include "LogicalAddrEnt.h"

MXR_FORWARD(TTYCAMsgRcvrAddHostSM);

class TTYCAMsgRcvr : public CommAgentMsgRcvr {
    MXR_LOCAL_CLASS(TTYCAMsgRcvr, CommAgentMsgRcvr);
    MXR_FIELDS();

public:
    // The factory's instance: no name, no registration.
    TTYCAMsgRcvr();
    // Takes the logical name and sends the registration to the administrator.
    explicit TTYCAMsgRcvr(int registerAgent);
    ~TTYCAMsgRcvr() override;

    enMsgResult MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) override;
    // The administrator's answer to the registration sets the tag.
    enMsgResult DfltMsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) override;
    // Starts the path's set-up; 0 (the port opens later).
    int AddHost(DestHostEntPtr path) override;
    // Hangs up the first serial line on the path's device, else drops the
    // path's pending set-up; 0, or -1 when there is neither.
    int DeleteHost(DestHostEntPtr path) override;

    // The set-ups waiting for their port.
    static TTYCAMsgRcvrAddHostSMLst& GetAddHostSMLst();

private:
    LogicalAddrEntPtr TtyCAMsgRcvrLogicalEntPtr;
};
MXR_COMPANIONS(TTYCAMsgRcvr);
