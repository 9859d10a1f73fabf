// Test support for the pipe transport: a connected message-mode socket pair,
// a raw peer that writes and reads packets by hand (so a test controls every
// byte the endpoint sees), an endpoint that counts its hang-ups, a message
// with a bulk payload, and a bounded loop over a world's turns.
//
// Test class codes 340-349.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "BaseWorld.h"
#include "PipeHead.h"
#include "PipePktCtrl.h"

// A connected SOCK_SEQPACKET pair, both ends non-blocking, closed through
// the pipe layer.
struct SockPair {
    int a = -1;
    int b = -1;
    SockPair();
    ~SockPair();
    SockPair(const SockPair&) = delete;
    SockPair& operator=(const SockPair&) = delete;
    // Gives up end a (an endpoint now owns and closes it).
    int TakeA();
    void CloseB();
};

// An endpoint that records its hang-ups and the packets it was handed.
class TestPipeHead : public PipeHead {
    MXR_LOCAL_CLASS(TestPipeHead, PipeHead);
    MXR_FIELDS();

public:
    TestPipeHead() = default;
    explicit TestPipeHead(int fd) : PipeHead(fd) {}
    ~TestPipeHead() override;

    void HupDetected() override;
    int ProcessIncomingPktBufr(BasePktBufrPtr& pkt) override;
    void PassedPacketProcessing(BasePktBufrPtr& pkt) override;

    int hups = 0;
    int packetsIn = 0;
    int packetsPassed = 0;  // non-empty packets that left the queue
    std::function<void()> onDestroy;
};
MXR_COMPANION_PTR(TestPipeHead);

// A one-way message with a number and a payload of any size.
class BulkMsg : public BaseMsg {
    MXR_CLASS(BulkMsg, BaseMsg);
    MXR_FIELDS(MXR_FIELD("n", n), MXR_FIELD("data", data));

public:
    BulkMsg() = default;
    BulkMsg(const BaseAddrPtr& to, int n_, const std::string& payload) : n(n_), data(payload.c_str()) { toAddr = to; }
    int n = 0;
    bStr data;
};
MXR_COMPANION_PTR(BulkMsg);

// A payload of n bytes without NUL, different at every position mod 251.
std::string Payload(std::size_t n, int seed = 0);

// The packets of an object under message number id, as they go on the wire.
std::vector<std::vector<char>> PacketsOfMsg(const BasePtr& obj, unsigned short id);
// One packet as the endpoint receives it.
BasePktBufrPtr PacketFromWire(const std::vector<char>& wire);
// Writes msg's packets on fd, each as one pipe message: true when all went.
bool WriteMsgRaw(int fd, const BaseMsgPtr& msg, unsigned short id);
// The raw peer's reader: packets of one message at a time, kept across
// calls, so a message that arrives one packet per turn is read in pieces.
struct RawReader {
    PipePktCtrlPtr ctrl;
    std::vector<unsigned short> ids;  // each packet's message number
    bool failed = false;              // a read failed or bytes did not decode
    // Reads what arrives within timeoutMs (0: what is there now); the object
    // once a message is complete, else null.
    BasePtr Read(int fd, int timeoutMs);
};
// A whole message within timeoutMs, or null.
BasePtr ReadMsgRaw(int fd, int timeoutMs, std::vector<unsigned short>* ids = nullptr);
// Rebuilds the object of a complete stream (rewound first).
BasePtr DecodeStream(PipePktCtrl& c);

// Runs turns of the current world (short waits) until done() or timeoutMs.
bool RunUntil(BaseWorld& world, const std::function<bool()>& done, int timeoutMs = 5000);

// Captures what the process writes on stderr while it lives.
class StderrCapture {
public:
    StderrCapture();
    ~StderrCapture();
    std::string Text();

private:
    bool done = false;
    std::string text;
};
