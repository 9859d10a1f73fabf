// One serial connection to the serial agent of another system: a framework
// pipe head whose pipe is an open serial device. Messages for the other
// system are cut into serial packets for the poll adaptor (TTYPipePollAdptr);
// packets from the line are gathered per message (TTYRcvAssembly), rebuilt,
// and either consumed here (pipe control messages, answers to packets) or
// dispatched. On top of the framework it answers packets (ACK, NACK),
// reports the path's state to the administrator and registers the other
// system's address with the local manager while the line's heartbeats show
// it alive.
//
// Connection: NOTCONNECTED until the peer's PipeInitMsg arrives. A further
// PipeInitMsg while CONNECTED means the peer started again, and this side
// starts its half again too, unless it is the very packet that set up the
// connection, written again because its ACK was lost: that one is only
// answered (restarting on it would make the two ends restart each other for
// ever).
//
// A device that goes away (adaptor unplugged, pty closed) hangs the head up
// and starts a new set-up of the path, which retries every 15 s.
#pragma once

#include <string>

#include "EnumPattern.h"
#include "PeerFaultReports.h"
#include "PipeHead.h"
#include "TTYReplyMsg.h"
#include "TTYRcvAssembly.h"

class TTYPipeHead : public PipeHead {
    MXR_LOCAL_CLASS(TTYPipeHead, PipeHead);
    MXR_FIELDS();

public:
    // 4 bytes on the wire.
    enum TTYConnectionStatus : int { CONNECTED = 0, NOTCONNECTED = 1 };
    MXR_ENUM(TTYConnectionStatus, GetTTYConnectionStatusCvtPtr);

    TTYPipeHead();
    // Interval and misses below 1 take the agent's defaults.
    TTYPipeHead(int fd, const bStr& devicePath, int priority, int hbInterval, int hbMaxMiss);
    // Closes the device.
    ~TTYPipeHead() override;

    enMsgResult MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) override;
    PipePktCtrl* GetaPipePktCtrl() override;
    BasePtr GetaPollAdptrPtr(int fd) override;
    BasePktBufrPtr GetEmptyPktBufr() override;
    // Gathers the packet into its message; a whole message is rebuilt and
    // consumed or dispatched. 0, or -1 when it is no serial packet or its
    // message could not be rebuilt.
    int ProcessIncomingPktBufr(BasePktBufrPtr& pkt) override;
    // A PipeInitMsg naming this system (or nobody) is refused.
    void Init_Msg_Receive(const PipeInitMsgPtr& msg) override;
    // Routes only for the host the line's peer introduced itself as, never
    // this system's, and at most at the line's own priority.
    void Reg_Msg_Receive(const PipeRegMsgPtr& msg) override;
    void DeReg_Msg_Receive(const PipeDeRegMsgPtr& msg) override;
    // Gives up the pending packets, withdraws the peer's address, stops the
    // heartbeats and the adaptor. The device stays open until the head goes.
    void HupDetected() override;
    void NotifyRoute(HeartBeatStatus status) override;
    // What the peer on the line sent wrong: the first few reports written,
    // the rest counted (PeerFaultReports); the line serves on.
    void ReportPeerFault(const std::string& line) override;

    // An answer from the peer goes to the send machine of its packet.
    virtual void Reply_Msg_Receive(const TTYReplyMsgPtr& reply);
    // Sends msg as one packet that needs no answer; PROCESSED.
    virtual enMsgResult PassNoAckPacket(const BaseMsgPtr& msg);
    virtual void NackThePacket(BasePktBufrPtr& pkt);
    virtual void AckThePacket(BasePktBufrPtr& pkt);
    // The device hung up: the head hangs up and the path is set up again.
    virtual void LineHungUp();

    bStr GetRemHostName() const;
    void SetRemHostName(const bStr& name);
    long GetRemPid() const;
    void SetRemPid(long pid);
    long GetRemTid() const;
    void SetRemTid(long tid);
    bStr GetDevicePath() const;
    void SetDevicePath(const bStr& path);
    short GetPipeInitAbandoned() const;
    void SetPipeInitAbandoned(short flag);
    TTYConnectionStatus GetConnectionStatus() const;
    void SetConnectionStatus(TTYConnectionStatus status);
    int GetRegisteredAddress() const;
    void SetRegisteredAddress(int flag);
    TTYRcvAssembly& GetRcvAssembly();
    // What a new set-up of the path after a hang-up needs besides the
    // device: the path's alias and line rate.
    bStr GetRemoteAlias() const;
    void SetRemoteAlias(const bStr& alias);
    int GetBaudRate() const;
    void SetBaudRate(int baud);

private:
    bool MayAnnounceHost(const bStr& host, const char* what);
    void Reply(TTYReplyMsg::ReplyType reply, BasePktBufrPtr& pkt);
    // Rebuilds a whole message and hands it on.
    int DeliverMessage(const TTYPktCtrlPtr& ctrl);
    // Answers, besides the framework's pipe control messages.
    void ConsumePipeMsg(const BaseMsgPtr& msg) override;
    // The report to the administrator of the path's status.
    BaseMsgPtr StatusReport(HeartBeatStatus status);
    int AgentTag() const;

    bStr RemHostName;
    long RemPid;
    long RemTid;
    bStr DevicePath;
    short PipeInitAbandoned;
    TTYRcvAssembly Assembly;
    TTYConnectionStatus ConnectionStatus;
    int RegisteredAddress;
    bStr RemoteAlias;
    int BaudRate;
    // The message being handed on, and the one that set up the connection:
    // number and bytes.
    unsigned short deliveringId;
    std::string deliveringBytes;
    unsigned short initId;
    std::string initBytes;
    // Set once the device hung up: the set-up is started once.
    bool lineGone;
    PeerFaultReports Faults;
};
MXR_COMPANION_PTR(TTYPipeHead);

int _serialize(BasePktCtrl& c, TTYPipeHead::TTYConnectionStatus& v);
