// One established TCP connection of a path, as a framework pipe. Each path
// has two per system: the inbound head (the peer's connection to this
// system's listener) watches the peer's heartbeats and reports the path's
// heartbeat status; the outbound head (this system's connection to the
// peer) sends heartbeats, registers the peer's host with the local manager
// at the path's priority and reports the connection's completion and loss.
//
// The outbound head keeps the path's remote alias (the name it connected
// to) for its reconnect and for DeleteHost; RemHostName is the name the peer
// gives in its PipeInitMsg, used for routes and reports. An inbound
// connection that has not brought its PipeInitMsg within the heartbeat
// interval times the miss count is a stranger holding the path's only
// listen: it is hung up and the path listens again.
#pragma once

#include "BaseMsgPtr.h"
#include "EnumPattern.h"
#include "PipeHead.h"
#include "TimerTag.h"
#include "bStr.h"

MXR_FORWARD_PTR(SOCKListenPollAdptr);
MXR_FORWARD_PTR(SOCKConnectPollAdptr);

class SOCKPipeHead : public PipeHead {
    MXR_LOCAL_CLASS(SOCKPipeHead, PipeHead);
    MXR_FIELDS();

public:
    enum enDir : int { __IN = 0, __OUT = 1 };
    MXR_ENUM(enDir, GetEnDirCvtPtr);

    SOCKPipeHead();
    // Inbound: the accepted socket; the listen adaptor (de-registered here)
    // gives the alias it listened under, to listen again after a hang-up.
    SOCKPipeHead(int fd, const SOCKListenPollAdptrPtr& listen, const bStr& devicePath, int hbInterval,
                 int hbMaxMiss);
    // Outbound: the connected socket; the connect adaptor (de-registered
    // here) gives the path's remote alias.
    SOCKPipeHead(int fd, const SOCKConnectPollAdptrPtr& connect, const bStr& devicePath, int priority,
                 int hbInterval);
    ~SOCKPipeHead() override;

    enDir GetInOrOut() const;
    void SetInOrOut(enDir dir);
    bStr GetRemHostName() const;
    void SetRemHostName(const bStr& name);
    bStr GetDevicePath() const;
    void SetDevicePath(const bStr& path);
    long GetRemPid() const;
    void SetRemPid(long pid);
    long GetRemTid() const;
    void SetRemTid(long tid);
    // Outbound: the alias the path names its peer by. Inbound: empty.
    bStr GetPathRemoteAlias() const;
    // Inbound: the alias this system listened under. Outbound: empty.
    bStr GetListenAlias() const;
    int GetPathHbMaxMiss() const;
    // 1 once the peer's PipeInitMsg arrived.
    int GetGotInit() const;

    // The stranger watch (inbound) runs on top of the pipe's start.
    int Initialize() override;
    // The stranger watch's time-out; anything else as any pipe.
    enMsgResult MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) override;
    BasePtr GetaPollAdptrPtr(int fd) override;
    void Init_Msg_Receive(const PipeInitMsgPtr& msg) override;
    // Reports (outbound), closes the socket, then as any pipe. Never fails;
    // a second call does nothing more.
    void HupDetected() override;

    // The partner connection of the same path (the other direction, same
    // peer and device), marked to be torn down on its own next turn.
    void MarkPartnerForHangUp();
    // Starts this direction's set-up again: a listen for an inbound head, a
    // connect tried at once for an outbound one.
    void RestartSetUp();

private:
    void StopInitWatch();
    // Inbound, on the peer's PipeInitMsg: the path's waiting connect tries now.
    void PeerShowsItListens();
    int AgentTag() const;

    enDir InOrOut;
    bStr RemHostName;
    bStr DevicePath;
    long RemPid;
    long RemTid;
    bStr PathRemoteAlias;
    bStr ListenAlias;
    int PathHbInterval;
    int PathHbMaxMiss;
    int GotInit;
    int HungUp;
    BaseMsgPtr InitWatchMsgPtr;
    TimerTagPtr InitWatchTagPtr;
};
MXR_COMPANIONS(SOCKPipeHead);

int _serialize(BasePktCtrl& c, SOCKPipeHead::enDir& v);
