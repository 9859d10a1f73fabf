// Test support for the socket agent: a TCP connection over loopback made by
// hand, a pipe head that records the packets it is handed and its hang-ups,
// and a bounded poll-and-serve step for one adaptor.
//
// Test class codes 380-389.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PipeHead.h"
#include "SOCKPipePollAdptr.h"

// A listening socket on 127.0.0.1 and an ephemeral port.
struct LoopbackListener {
    int fd = -1;
    unsigned short port = 0;
    LoopbackListener();
    ~LoopbackListener();
    int Accept(int timeoutMs = 2000);  // blocking accept, -1 on time-out
};

// A connected TCP pair over loopback; `near` non-blocking (the adaptor's),
// `far` blocking (the test's raw peer).
struct TcpPair {
    int near = -1;
    int far = -1;
    TcpPair();
    ~TcpPair();
    int TakeNear();
    void WriteFar(const std::string& bytes);
    // The far end resets the connection (RST) instead of closing it.
    void ResetFar();
};

// A pipe head whose received packets are recorded whole (header
// included) and not rebuilt into messages.
class SockRecordingHead : public PipeHead {
    MXR_LOCAL_CLASS(SockRecordingHead, PipeHead);
    MXR_FIELDS();

public:
    SockRecordingHead() = default;
    explicit SockRecordingHead(int fd) : PipeHead(fd) {}
    ~SockRecordingHead() override;

    BasePtr GetaPollAdptrPtr(int fd) override;
    void HupDetected() override;
    int ProcessIncomingPktBufr(BasePktBufrPtr& pkt) override;
    void PassedPacketProcessing(BasePktBufrPtr& pkt) override;

    std::vector<std::string> packets;
    int hups = 0;
    int passed = 0;
};
MXR_COMPANION_PTR(SockRecordingHead);

// A packet of the stream: length (header included), id, number, count, data.
std::string StreamPacket(const std::string& data, unsigned short id = 1, unsigned short pktId = 1,
                         unsigned short total = 1);
// A raw packet header with the given length field, and n data bytes.
std::string RawLengthPacket(int lengthField, int n);

// The stream bytes a pipe writes for msg (every packet, headers included):
// what a peer speaking the agents' packet format sends.
std::string PipeBytesOf(const BaseMsgPtr& msg);

// Polls the adaptor's descriptor (up to waitMs) and serves what it found.
BasePollAdptr::enWork ServeOnce(SOCKPipePollAdptr& adptr, int waitMs = 200);

// A message with a payload of any size (for a peer that never reads).
#include "MessageDeclare.h"
MXR_NOTICE(SockBulkMsg, BaseMsg, (bStr, data, "data", Get(GetData)));
