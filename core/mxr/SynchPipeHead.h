// The blocking client end of the manager's control pipe, for a process (or a
// thread) that runs no event loop: it writes one message and waits on the
// same thread for the answer. It speaks the pipe endpoint's protocol (the
// 24-byte connect record, a PipeInitMsg each way, messages cut into packets
// of at most 520 bytes, one packet per pipe message) without a poll
// adapter, an outgoing queue, routes or heartbeats.
//
// The manager tells connections apart by address: this end's PipeInitMsg
// carries its host, pid and tid, the manager routes that address through
// this connection, and every request written here carries it as its
// from-address, so the answer comes back on the connection that asked.
// A thread's first live connection takes the thread's own address; any
// further connection of the same thread (one made while the first is still
// open) takes a tid of its own above every kernel thread id, since two
// connections under one address would both be routed to the older one.
//
// One thread uses an object at a time. Message numbers come from one
// counter for the whole process (atomic: every writing thread takes from
// it). A read reassembles exactly one message and starts empty each time:
// numbers may repeat on a connection (the manager numbers from one counter
// for all its connections), so nothing of an earlier read may be joined to
// a later one.
//
// Neither encoding carries a field: the binary form is the class code, the
// s-expression the class name alone.
#pragma once

#include <atomic>

#include "BaseAddr.h"
#include "BaseMsgPtr.h"
#include "ClassPattern.h"
#include "PipeInitMsg.h"
#include "PipePktCtrl.h"
#include "bStr.h"

class SynchPipeHead : public BaseVirtItem {
    MXR_LOCAL_CLASS(SynchPipeHead, BaseVirtItem);
    MXR_FIELDS();

public:
    // The lowest tid given to a thread's second and further connections
    // (kernel thread ids stay below 2^22).
    static constexpr long ExtraConnectionTidBase = 0x40000000L;

    // An already open pipe handle; nothing else is set until Initialize.
    explicit SynchPipeHead(int handle);
    // Connects at once (Path_open); FileDscrpt -1 when that failed.
    explicit SynchPipeHead(const bStr& path);
    // Not connected.
    SynchPipeHead();
    // Closes the pipe unless it is -1.
    ~SynchPipeHead() override;

    // Opens the named pipe (message reads, blocking) and writes the connect
    // record; the outcome shows only in FileDscrpt (-1: not connected).
    void Path_open(const bStr& path);
    // Closes the pipe now (FileDscrpt -1); later calls fail.
    void Close();

    // slot 7: the PipeInitMsg exchange; 0, or -1 on any failure.
    virtual int Initialize();
    // slot 8: takes the peer's packet size.
    virtual void Init_Msg_Receive(const PipeInitMsgPtr& msg);
    // slot 9: a request is stamped with this connection's address as its
    // from-address; 0 when every packet was written, else -1 (the packets
    // already written stay written).
    virtual int SynchWrite(const BaseMsgPtr& msg);
    // slot 10: blocks until one whole message has arrived: 0 with msg set;
    // -2 the pipe failed (hung up); -1 a packet was refused or the bytes are
    // no message. Pipe control messages are returned like any other.
    virtual int SynchRead(BaseMsgPtr& msg);

    // Writes a request with no from-address: nothing can be answered to it,
    // an error message from the manager's routing included. For one-way
    // requests, whose answers nobody reads. Results as SynchWrite.
    int SynchWriteOneWay(const BaseMsgPtr& msg);

    int GetFileDscrpt() const;
    void SetFileDscrpt(int handle);
    bStr GetFileName() const;
    void SetFileName(const bStr& name);
    unsigned GetMaxPktSize() const;
    unsigned GetOtherMaxPktSize() const;
    BaseAddrPtr GetBaseAddrPtr() const;
    void SetBaseAddrPtr(const BaseAddrPtr& addr);
    // The reassembly of the read in progress (empty between reads).
    PipePktCtrlPtr GetPipePktCtrlPtr() const;

    // The last message number handed out in this process (0 at load);
    // numbers run 1..65535 and then 1 again.
    static unsigned short GetNextIdVal();
    static void SetNextIdVal(unsigned short id);

private:
    // Numbers, packs and writes msg as it is.
    int WritePackets(const BaseMsgPtr& msg);
    // Reads one pipe message into pkt: 0, -2 the pipe failed, -1 refused.
    int ReadPacket(const BasePktBufrPtr& pkt);
    // The next message number: never 0, unique among concurrent takers.
    static unsigned short TakeNextIdVal();

    int FileDscrpt;
    bStr FileName;
    PipePktCtrlPtr PktCtrl;  // reassembly of the read in progress
    unsigned MaxPktSize;
    unsigned OtherMaxPktSize;
    BaseAddrPtr AddrPtr;
    unsigned long Serial;  // tells this connection from others of its thread

    static std::atomic<unsigned short> nextIdVal;
};
MXR_COMPANION_PTR(SynchPipeHead);
