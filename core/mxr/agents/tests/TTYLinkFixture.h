// A serial pipe head on one end of a pty pair, in a world whose clock the test
// moves, with the test playing the other end's agent on the master: it reads
// and checks what the head writes and writes packets and answers of its own.
// Reports to the administrator and route messages to the manager are caught
// by one recording receiver.
#pragma once

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "../../../Base/libsrc/tests/ManualTimerClock.h"
#include "BaseAddrEnt.h"
#include "BaseWorld.h"
#include "LogicalAddrEnt.h"
#include "TTYFrameReader.h"
#include "TTYPipeHead.h"
#include "TTYPipePollAdptr.h"
#include "TTYRecorder.h"
#include "TTYReplyMsg.h"
#include "TTYTestSupport.h"
#include "platform/SerialPort.h"

namespace ttytest {

// The message a whole packet of one-packet message holds.
inline BaseMsgPtr MsgOf(const TTYPktBufrPtr& pkt) {
    BasePktCtrlPtr ctrl(new TTYPktCtrl(BasePktBufrPtr(pkt)));
    ctrl->SetDirection(BasePktCtrl::OUTOFPKT);
    ctrl->SetOffset(0);
    return BaseMsgPtr(ctrl);
}

// The other end of the line.
struct LinePeer {
    int fd = -1;
    TTYFrameReader reader;
    std::vector<TTYFrameReader::Frame> frames;  // everything read so far
    unsigned short nextId = 1000;

    // Reads until the line stays silent for 20 ms (a pty hands bytes to the
    // other side a moment after they were written).
    void Drain() {
        char buf[4096];
        for (;;) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0 || !(p.revents & POLLIN)) break;
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n <= 0) break;
            reader.Feed(buf, static_cast<int>(n), frames);
        }
    }
    void Write(const std::string& bytes) {
        std::size_t at = 0;
        while (at < bytes.size()) {
            const ssize_t n = ::write(fd, bytes.data() + at, bytes.size() - at);
            if (n > 0) at += static_cast<std::size_t>(n);
            else if (n < 0 && errno != EAGAIN) break;
        }
    }
    // The packets of msg as one string of line bytes.
    std::string Bytes(const BaseMsgPtr& msg, bool noAnswer = false) {
        std::string s;
        for (auto& p : PacketsOf(msg, nextId++, noAnswer)) s += BytesOf(p);
        return s;
    }
    void Send(const BaseMsgPtr& msg) { Write(Bytes(msg)); }
    void Answer(TTYReplyMsg::ReplyType r, const TTYPktBufrPtr& pkt) {
        Write(Bytes(BaseMsgPtr(new TTYReplyMsg(BaseAddrPtr(), r, pkt->GetPktCtrlId(), pkt->GetPktId())), true));
    }
    // Frames read whose message is of class code, in order.
    std::vector<TTYFrameReader::Frame> Of(int code) {
        std::vector<TTYFrameReader::Frame> out;
        for (auto& f : frames) {
            const BaseMsgPtr m = f.pkt->GetPktId() == 1 && f.pkt->GetTotalPkts() == 1 ? MsgOf(f.pkt) : BaseMsgPtr();
            if (m.Ok() && m->IsOfType(code)) out.push_back(f);
        }
        return out;
    }
};

struct LinkFixture : ::testing::Test {
    RuntimeScope scope{"NODEA", 0};
    ManualTimerClock clock;
    BaseWorld world;
    PtyLine line;
    LinePeer peer;
    TTYRecorderPtr recorder{new TTYRecorder()};
    LogicalAddrEntPtr adminName;
    BaseAddrEntPtr managerRoute;
    TTYPipeHeadPtr head;

    void SetUp() override {
        BaseWorld::SetDispatchReadyFlg(1);
        ASSERT_FALSE(line.slavePath.empty());
        peer.fd = line.master;
        adminName = new LogicalAddrEnt(LogicalAddr::MXRADMIN, BaseAddrPtr(recorder->GetAddrPtr()));
        managerRoute = new BaseAddrEnt(BaseAddr::GetCurrentHost(), 0, 0, recorder.GetPtr());
        int fd = -1;
        ASSERT_EQ(portlib::platform::SerialOpen(line.slavePath.c_str(), 115200, &fd), 0);
        head = new TTYPipeHead(fd, bStr(line.slavePath.c_str()), 1, 1, 3);
        ASSERT_EQ(head->Initialize(), 0);
    }
    void TearDown() override {
        if (head.Ok()) head->HupDetected();
        head = TTYPipeHeadPtr();
        Settle();
        world.GetPollManager().DeRegisterAll();
    }
    TTYPipePollAdptrPtr Adptr() { return TTYPipePollAdptrPtr(head->GetPollAdptrPtr()); }
    // Runs turns until the loop has nothing left to do, then reads the line.
    void Settle() {
        int quiet = 0;
        for (int i = 0; i < 5000 && quiet < 3; ++i) {
            world.ProcessTimers();
            // A short wait: what the peer wrote reaches this end a moment later,
            // later still on a loaded machine.
            const bool worked = world.GetPollManager().PollForWork(quiet > 0 ? 20 : 0) == BasePollAdptr::DIDWORK;
            const bool queued = world.GetMsgList().GetItemCnt() > 0;
            world.ProcessMessages();
            quiet = worked || queued ? 0 : quiet + 1;
        }
        peer.Drain();
    }
    void Advance(unsigned ms) {
        clock.AdvanceMs(ms);
        Settle();
    }
    // How many times the line carried packets of message id, place 1.
    int Writes(unsigned short id) {
        int n = 0;
        for (auto& f : peer.frames)
            if (f.pkt->GetPktCtrlId() == id && f.pkt->GetAckNotRequired() == 0) ++n;
        return n;
    }
    TTYPktBufrPtr FirstOf(int code) {
        auto v = peer.Of(code);
        return v.empty() ? TTYPktBufrPtr() : v.front().pkt;
    }
    // Plays the peer's start: its PipeInitMsg, then a heartbeat.
    void PeerConnects(long pid = 4242) {
        peer.Send(BaseMsgPtr(new PipeInitMsg(bStr("NODEB"), pid, 7, 520)));
        Settle();
    }
};

}  // namespace ttytest
