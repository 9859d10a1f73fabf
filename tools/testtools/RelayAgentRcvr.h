// The relay's agent on one of the two systems it joins: the receiver the
// system's path administrator knows as a TLI agent. It registers, asks the
// administrator for the path to the other system, serves that path when the
// administrator adds it (reporting it up at once: the relay's connection to
// the other manager is its heartbeat) and reports it DEAD when the relay
// leaves or the other manager goes.
//
// The relay's process belongs to neither system, so the receiver is reached
// through a route row of its own: (this system, the relay's pid and tid).
//
// A tool's own receiver: its class code is local to the tools and never
// travels.
#pragma once

#include "BaseAddrEnt.h"
#include "CommAgentMsgRcvr.h"
#include "bStr.h"

class RelayAgentRcvr : public CommAgentMsgRcvr {
    MXR_LOCAL_CLASS(RelayAgentRcvr, CommAgentMsgRcvr);
    MXR_FIELDS();

public:
    // Serves nothing (the factory's instance).
    RelayAgentRcvr();
    // The agent of the relay on host, serving the path to otherHost over
    // the device devPath.
    RelayAgentRcvr(const bStr& host, const bStr& otherHost, const bStr& devPath);
    ~RelayAgentRcvr() override;

    // Sends the registration to this system's administrator.
    void Register();
    // Reports the path DEAD, once, when it was reported up.
    void ReportDead();
    // 1 once the administrator has answered the path's creation.
    int IsPathCreated() const;

    enMsgResult MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) override;
    // 0 for the path to the other system, which is reported up; 1 for any
    // other path, which this relay cannot serve.
    int AddHost(DestHostEntPtr path) override;
    int DeleteHost(DestHostEntPtr path) override;

private:
    BaseAddrPtr AdminAddr() const;
    // This receiver's address as the system sees it: its host, not the
    // relay's.
    BaseAddrPtr OwnAddr();
    void Report(PipeHead::HeartBeatStatus status);

    bStr Host;
    bStr OtherHost;
    bStr DevPath;
    BaseAddrEntPtr Route;
    int PathCreated = 0;
    int ReportedUp = 0;
};
MXR_COMPANION_PTR(RelayAgentRcvr);
