// One remote host that a path has been asked for: its name, its paths and
// its addresses. A receiver (it holds a row of the dynamic address table for
// its life) that handles no message of its own. Neither form carries its
// fields: the binary form is the class code and the receiver part, the text
// form (RemoteHostEnt).
#pragma once

#include "BaseAddrEnt.h"
#include "BaseMsgRcvr.h"
#include "DestHostEnt.h"
#include "bStr.h"

class RemoteHostEnt : public BaseMsgRcvr {
    MXR_LOCAL_CLASS(RemoteHostEnt, BaseMsgRcvr);

public:
    // No name, no paths, no addresses (the factory's instance).
    RemoteHostEnt();
    explicit RemoteHostEnt(const bStr& host_);
    ~RemoteHostEnt() override;

    bStr GetHost() const;
    void SetHost(bStr value);
    DestHostEntLst& GetCommPathLst();
    BaseAddrEntLst& GetRemoteAddrEntLst();

    // Appends path to the host's paths; 0.
    int AddPath(DestHostEntPtr path);

    // Nothing of its own: the plain receiver's answer.
    enMsgResult MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) override;

private:
    bStr host;
    DestHostEntLst commPathLst;
    BaseAddrEntLst remoteAddrEntLst;
};
MXR_COMPANIONS(RemoteHostEnt);
