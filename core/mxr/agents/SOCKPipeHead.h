// One established TCP connection of a path, as a framework pipe. Each path
// has two per system: the inbound head (the peer's connection to this
// system's listener) watches the peer's heartbeats and reports the path's
// heartbeat status; the outbound head (this system's connection to the
// peer) sends heartbeats, registers the peer's host with the local manager
// at the path's priority and reports the connection's completion and loss.
//
// The outbound head keeps the path's remote alias (the name it connected
// to) for its reconnect and for DeleteHost; RemHostName is the name the peer
// gives in its PipeInitMsg, used for routes and reports.
//
// The network is not trusted. The peer's PipeInitMsg must name the system
// of a path at the connection's address (inbound: the systems the listen
// found at the peer's address; outbound: those of the path's alias), or the
// connection is hung up alone with a report. PipeRegMsg and PipeDeRegMsg
// are taken only for the host the connection introduced itself as, never
// for this system, and at most at this connection's own route priority. A
// newer inbound connection of the same peer replaces an older one once it
// has introduced itself; an inbound connection that has not brought its
// PipeInitMsg within the heartbeat interval times the miss count is hung up.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "BaseMsgPtr.h"
#include "BasePollAdptr.h"
#include "EnumPattern.h"
#include "PeerFaultReports.h"
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
    void Reg_Msg_Receive(const PipeRegMsgPtr& msg) override;
    void DeReg_Msg_Receive(const PipeDeRegMsgPtr& msg) override;
    // Inbound: the systems whose paths the connection's address belongs to,
    // and that address ("a.b.c.d:port") for reports.
    void SetExpectedPeer(const std::vector<std::string>& systems, const std::string& from);
    // Reports (outbound), closes the socket, then as any pipe. Never fails;
    // a second call does nothing more.
    void HupDetected() override;
    // Before the peer's PipeInitMsg every report is written (the adaptor
    // hangs such a peer up at its first fault); afterwards the first few
    // are written and the rest counted (PeerFaultReports).
    void ReportPeerFault(const std::string& line) override;
    // What the introduced peer sent wrong so far: packets and messages
    // refused, routes it may not announce.
    std::uint64_t GetPeerFaultCnt() const;
    // The stream carries plain pipe packets: a message that arrived whole in
    // one (from the manager or the peer) leaves as it arrived.
    bool CarriesPipePackets() const override;

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
    std::vector<std::string> SystemsOfPath() const;
    // Reports why and hangs this connection up alone.
    void RefusePeer(const std::string& why);
    bool MayAnnounceHost(const bStr& host, const char* what);
    int PeerPriority(int asked) const;
    // Older inbound connections of the same peer and device go.
    void ReplaceOlderInbound();
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
    std::vector<std::string> ExpectedSystems;
    std::string PeerAddress;
    PeerFaultReports PacketFaults;  // reported on the error stream
    PeerFaultReports RouteFaults;   // reported to the event log too
};
MXR_COMPANIONS(SOCKPipeHead);

// The socket pipe head served by a registered adaptor, or null.
SOCKPipeHeadPtr SockHeadOf(const BasePollAdptrPtr& a);

int _serialize(BasePktCtrl& c, SOCKPipeHead::enDir& v);
