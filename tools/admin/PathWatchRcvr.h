// The receiver behind "hvpo watch": registers itself with this system's
// administrator as a listener for path events and prints one line per
// notice on standard output:
//   watching                       once the administrator took the listener
//   PATH LOCALALIAS DEVICE KIND REMOTEHOST REMOTEALIAS STATUS
//
// A tool's own receiver: its class code is local to the tools and never
// travels.
#pragma once

#include "BaseMsgRcvr.h"

class PathWatchRcvr : public BaseMsgRcvr {
    MXR_LOCAL_CLASS(PathWatchRcvr, BaseMsgRcvr);
    MXR_FIELDS();

public:
    PathWatchRcvr();
    ~PathWatchRcvr() override;

    // Sends the registration (its notice addressed to this receiver).
    void Register();

    enMsgResult MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) override;
};
MXR_COMPANION_PTR(PathWatchRcvr);
