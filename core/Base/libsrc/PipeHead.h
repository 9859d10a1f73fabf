// One end of a connection between two processes over a message-mode named
// pipe. It is a receiver that stands, in this process's route table, for
// every process reachable through the pipe: a message for such a process is
// dispatched to it, serialized, cut into packets and queued for its poll
// adapter (PipePollAdptr) to write, one packet per poll turn. Packets that
// the adapter reads come back through ProcessIncomingPktBufr: ordinary
// messages are queued for dispatch here, pipe control messages (BasePipeMsg)
// are consumed by the endpoint.
//
// Ownership: the adapter holds its endpoint through a counted PipeHeadPtr;
// the endpoint refers to its adapter without counting, while the poll
// manager holds the adapter for as long as it is registered. An endpoint made
// by the listener is held by nothing else and goes, with its routes, once a
// hang-up has de-registered its adapter; a holder that keeps its own
// PipeHeadPtr (a client's world) keeps it beyond. (A counted pair would keep
// both alive for ever when a world ends without a hang-up.)
//
// Everything runs on the thread of the endpoint's world. Derived endpoints
// (the communication agents') override the virtual hooks, slots 10-22.
#pragma once

#include "BaseAddrEnt.h"
#include "BaseMsgRcvr.h"
#include "BasePktBufr.h"
#include "EnumPattern.h"
#include "PackedMessageQueue.h"
#include "PipeDeRegMsg.h"
#include "PipeHeartBeatMsg.h"
#include "PipeInitMsg.h"
#include "PipePktCtrl.h"
#include "PipeRegMsg.h"
#include "TimerTag.h"
#include "bStr.h"

#include <cstddef>
#include <string>
#include <vector>

class BasePollAdptr;

class PipeHead : public BaseMsgRcvr {
    MXR_LOCAL_CLASS(PipeHead, BaseMsgRcvr);
    MXR_FIELDS();

public:
    // What this end does with heartbeats; 4 bytes on the wire.
    enum HeartBeatActivity : int {
        UNDEFINED = 0,  // not initialized, or hung up
        SEND = 1,
        RECEIVE = 2,
        STANDBY = 3,  // initialized, neither sending nor watching
        SENDANDRECEIVE = 4,
    };
    MXR_ENUM(HeartBeatActivity, GetHeartBeatActivityCvtPtr);

    // What this end knows of the peer's heartbeats; 4 bytes on the wire.
    enum HeartBeatStatus : int {
        NONE = 0,          // not watching
        INITIALIZING = 1,  // watching, nothing received yet
        ALIVE = 2,
        DEAD = 3,
    };
    MXR_ENUM(HeartBeatStatus, GetHeartBeatStatusCvtPtr);

    // The connect record a client writes as its first pipe message, without
    // a terminating NUL.
    static constexpr const char* ConnectRecord = "!@#$CONNECTED_TO_MXR$#@!";
    static constexpr int ConnectRecordLen = 24;
    // Messages in assembly at once; beyond, the oldest partial one is dropped.
    static constexpr int MaxRcvInAssembly = 32;
    // High-water marks of one endpoint: the bytes of the packets queued for
    // the peer, and of the packets held in messages in assembly. A peer that
    // drives either past its mark (one that never reads; one that starts
    // messages and never ends them) is taken for dead and hung up.
    static constexpr std::size_t MaxTogoBytes = std::size_t{64} << 20;
    static constexpr std::size_t MaxAssemblyBytes = std::size_t{32} << 20;
    // Message numbers of refused messages remembered, so that the rest of
    // such a message is dropped without a report per packet.
    static constexpr std::size_t MaxRefusedIds = 32;

    // An already connected pipe (the listener's case).
    explicit PipeHead(int fd);
    // Connects to the named pipe (Path_open); FileDscrpt -1 when that failed.
    explicit PipeHead(const bStr& path);
    // No pipe (the factory's case).
    PipeHead();
    // Closes the pipe, cancels the heartbeat timers; the routes go with it.
    ~PipeHead() override;

    // Opens the named pipe, message mode and non-blocking, and writes the
    // connect record. On failure FileDscrpt stays -1. systemDir names the
    // system whose pipe it is (empty: this process's).
    void Path_open(const bStr& path, const std::string& systemDir = std::string());
    // The oldest queued packet (empty when none), after slot 18 has seen it.
    // A packet made from a queued message is one object reused for the
    // next packet unless the caller (or slot 18) keeps it.
    BasePktBufrPtr GetPktBufrToSend();
    // Messages sent on each change of the peer's status to ALIVE (up) and to
    // DEAD (down): 0, or -1 (nothing kept) unless both hold a message.
    int RegisterRouteStatus(BaseMsgPtr up, BaseMsgPtr down);

    // Heartbeats (PipeHeadHeartBeat.cpp). Each activation stops a timer of
    // its own kind that still runs.
    void ActivateSendHeartBeat();
    void ActivateRcvHeartBeat();
    void HeartBeatTimeout();
    void StandbyHeartBeat();

    int GetFileDscrpt() const;
    void SetFileDscrpt(int fd);
    bStr GetFileName() const;
    void SetFileName(const bStr& name);
    int GetComPriority() const;
    void SetComPriority(int priority);
    PipePktCtrlPtr GetEmptyPipePktCtrlPtr() const;
    void SetEmptyPipePktCtrlPtr(const PipePktCtrlPtr& ctrl);
    // A counted copy; null before Initialize and after a hang-up.
    BasePtr GetPollAdptrPtr() const;
    // The adapter must be registered (the poll manager keeps it alive) or
    // null; its destructor clears this reference.
    void SetPollAdptrPtr(const BasePtr& adptr);
    unsigned GetMaxPktSize() const;
    BaseAddrEntLst& GetAddrEntLst();
    // The packets queued for the peer. Messages queued whole are cut into
    // their packets first, so the list holds everything that waits.
    BasePktBufrLst& GetTogoPktLst();
    PipePktCtrlLst& GetRcvPktCtrlLst();
    unsigned GetHbInterval() const;
    void SetHbInterval(unsigned secs);
    unsigned GetHbMaxMiss() const;
    void SetHbMaxMiss(unsigned misses);
    HeartBeatActivity GetHbActivity() const;
    void SetHbActivity(HeartBeatActivity activity);
    HeartBeatStatus GetHbStatus() const;
    void SetHbStatus(HeartBeatStatus status);
    unsigned GetHbTotalFails() const;
    void SetHbTotalMisses(unsigned misses);
    PipeHeartBeatMsgPtr& GetPipeHeartBeatMsgPtr();
    void SetPipeHeartBeatMsgPtr(const PipeHeartBeatMsgPtr& msg);
    TimerTagPtr GetHbTimeoutTagPtr() const;
    void SetHbTimeoutTagPtr(const TimerTagPtr& tag);
    TimerTagPtr GetHbSendMsgTagPtr() const;
    void SetHbSendMsgTagPtr(const TimerTagPtr& tag);
    BaseMsgLst& GetRouteUpMsgLst();
    BaseMsgLst& GetRouteDownMsgLst();
    // The bytes counted against the high-water marks.
    std::size_t GetTogoBytes() const;
    std::size_t GetAssemblyBytes() const;
    // The pid the kernel reports for the process at the other end, set for a
    // connection the listener accepted: that peer may announce addresses of
    // this host with its own pid only (pid 0 is this host's manager's). -1
    // (the default): announcements are not checked.
    long GetPeerPid() const;
    void SetPeerPid(long pid);

    // The host this end introduces itself as in its PipeInitMsg; empty (the
    // default): this process's host. A process that joins two systems is a
    // process of each system it connects to.
    bStr GetIntroducedHost() const;
    void SetIntroducedHost(const bStr& host);

    // The last packet-control id handed out in this process (0 at load);
    // ids run 1..65535 and then 1 again.
    static unsigned short GetNextIdVal();
    static void SetNextIdVal(unsigned short id);
    static unsigned GetDefaultHbInterval();
    static void SetDefaultHbInterval(unsigned secs);
    static unsigned GetDefaultHbMaxMiss();
    static void SetDefaultHbMaxMiss(unsigned misses);

    // slot 7: the heartbeat timers' requests; anything else is declined.
    enMsgResult MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) override;
    // slot 8: sends the message down the pipe; PROCESSED. Without a poll
    // adapter nothing may be written: the message is dropped with a line on
    // stderr and a request is answered with a BaseErrMsg.
    enMsgResult DfltMsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) override;
    // slot 9: polls the pipe and sends this end's PipeInitMsg; 0, or -1
    // when there is no pipe.
    virtual int Initialize();
    // slot 10: a new, empty packing controller, not yet counted.
    virtual PipePktCtrl* GetaPipePktCtrl();
    // slot 11: a new poll adapter for fd that holds this endpoint.
    virtual BasePtr GetaPollAdptrPtr(int fd);
    // slot 12: an empty packet to read one pipe message into.
    virtual BasePktBufrPtr GetEmptyPktBufr();
    // slot 13: takes one received packet; 0, or -1 when it is not a pipe
    // packet or its message could not be rebuilt.
    virtual int ProcessIncomingPktBufr(BasePktBufrPtr& pkt);
    // slots 14-16: the peer's route announcements.
    virtual void Init_Msg_Receive(const PipeInitMsgPtr& msg);
    virtual void Reg_Msg_Receive(const PipeRegMsgPtr& msg);
    virtual void DeReg_Msg_Receive(const PipeDeRegMsgPtr& msg);
    // slot 17: the pipe hung up or failed: heartbeats stop, the adapter is
    // de-registered. The pipe and the routes stay until the endpoint goes.
    virtual void HupDetected();
    // slot 18: sees every packet as it leaves the queue; base: nothing.
    virtual void PassedPacketProcessing(BasePktBufrPtr& pkt);
    // slots 19-22: heartbeats (PipeHeadHeartBeat.cpp).
    virtual void ReceivedHeartBeatMsg(PipeHeartBeatMsgPtr msg);
    virtual void ReceivedHeartBeatIndication();
    virtual void NotifyRoute(HeartBeatStatus status);
    virtual void SendHeartBeat();
    // slot 23: a report of what the peer sent wrong (a packet or message
    // refused, a route it may not announce); the connection serves on.
    // Base: one line on stderr each.
    virtual void ReportPeerFault(const std::string& line);
    // slot 24: whether this endpoint's packets are plain pipe packets, so
    // that one that arrived elsewhere in a pipe packet may leave here as it
    // arrived. Base: only an endpoint of this very class.
    virtual bool CarriesPipePackets() const;

protected:
    // Rebuilds the message of a complete controller: an ordinary one is
    // dispatched, a pipe control message consumed (ConsumePipeMsg). 0, or -1
    // (reported) when no message could be rebuilt.
    int DeliverAssembled(PipePktCtrlPtr& ctrl);
    // The pipe control messages this endpoint knows; others are dropped.
    virtual void ConsumePipeMsg(const BaseMsgPtr& msg);
    // The error answer to the sender of a request that could not be read
    // (see MxrForeignFieldsAsNull); nothing for anything else.
    void AnswerUndeliverable(BasePktCtrlPtr& stream);

    int FileDscrpt;
    bStr FileName;
    int ComPriority;
    PipePktCtrlLst RcvPktCtrlLst;
    PipePktCtrlPtr EmptyPipePktCtrlPtr;
    unsigned MaxPktSize;
    BaseAddrEntLst AddrEntLst;
    BasePktBufrLst TogoPktLst;
    unsigned HbInterval;
    unsigned HbMaxMiss;
    HeartBeatActivity HbActivity;
    HeartBeatStatus HbStatus;
    unsigned HbTotalFails;
    unsigned HbTotalMisses;
    PipeHeartBeatMsgPtr HeartBeatMsgPtr;  // sent again and again
    TimerTagPtr HbTimeoutTagPtr;
    TimerTagPtr HbSendMsgTagPtr;
    BaseMsgLst RouteUpMsgLst;
    BaseMsgLst RouteDownMsgLst;

private:
    friend class PipePollAdptr;
    // The reader's shortcut for a packet that continues a message in
    // assembly (tracing off, an endpoint of this very class, whose packets
    // go through ProcessIncomingPktBufr as it is here): the controller of
    // the one message in assembly when it gathers, else null.
    PipePktCtrl* GatheringCtrl();
    // Goes on as ProcessIncomingPktBufr goes on with a packet placed into
    // that controller, after the reader read one straight into it and the
    // controller took it: 0, or -1 as there.
    int TakeGathered(PipePktCtrl* ctrl);
    // The same shortcut for a packet that may start a message: whether one
    // read straight into a controller's buffer may start it (tracing off, an
    // endpoint of this very class, nothing in assembly, nothing refused
    // lately).
    bool MayStartGathered() const;
    // Takes ctrl (not yet counted), just started from such a packet, into
    // the assembly as ProcessIncomingPktBufr takes a message that a first
    // packet starts: 0, or -1 as there.
    int StartGathered(PipePktCtrl* ctrl);
    // A message that arrived whole in one pipe packet in the binary form
    // (stream, just read) and leads to another pipe endpoint is handed to it at once, as
    // the dispatch step would hand it next, the packet offered along: true
    // when handed over (else the caller sends it as usual).
    bool PassOnArrived(const BaseMsgPtr& msg, BasePktCtrlPtr& stream);
    // The packet offered with the message in hand queued as it arrived, under a new message
    // number, in place of packing msg again: true when taken.
    bool QueueArrivedPacket();
    // The adapter's destructor: forget it when it is ours.
    void ForgetPollAdptr(const BasePollAdptr* adptr);
    // The next packet-control id: never 0.
    static unsigned short TakeNextIdVal();
    // Reassembly: the controller of the packet's message, or null.
    PipePktCtrlPtr FindRcvPktCtrl(unsigned short id);
    void DropRcvPktCtrl(const PipePktCtrlPtr& ctrl, const char* why);
    // Counts a packet into or out of the assembly.
    void PlacePkt(const PipePktCtrlPtr& ctrl, BasePktBufrPtr& pkt);
    void LeaveAssembly(const PipePktCtrlPtr& ctrl);
    // A message refused on arrival: reported once, the rest of its packets
    // dropped without a word. True when the packet belongs to such a message.
    bool RefuseArriving(const BasePktBufrPtr& pkt);
    // A message that cannot go down the pipe: reported, and a request is
    // answered with a BaseErrMsg.
    void RefuseOutgoing(const BaseMsgPtr& msg, const std::string& why);
    // Hangs up a peer that drove the queue or the assembly past its mark:
    // one report, then as any hang-up; what is queued or in assembly goes.
    void HangUpPastHighWater(const char* what, std::size_t bytes);
    // Whether the peer may announce this address (see SetPeerPid).
    bool MayAnnounce(const bStr& host, long pid, const char* what);
    // Heartbeat timers.
    void CancelTimer(TimerTagPtr& tag);
    TimerTagPtr ArmWatchTimer();
    unsigned WatchTimeMs() const;

    BasePollAdptr* PollAdptrPtr;  // not counted (see above)
    // Messages queued whole, sent before TogoPktLst: a packet object joins
    // that list while messages wait here only when appended from outside
    // after they were queued.
    PackedMessageQueue TogoMsgQueue;
    // Turns the queued messages into their packets in the list, in order.
    void CutQueuedMessages();
    std::size_t TogoBytes;
    std::size_t AssemblyBytes;
    long PeerPid;
    bStr IntroducedHost;
    std::vector<unsigned short> RefusedIds;  // oldest first

    static unsigned short nextIdVal;
    static unsigned defaultHbInterval;
    static unsigned defaultHbMaxMiss;
};
MXR_COMPANION_PTR(PipeHead);

int _serialize(BasePktCtrl& c, PipeHead::HeartBeatActivity& v);
int _serialize(BasePktCtrl& c, PipeHead::HeartBeatStatus& v);
