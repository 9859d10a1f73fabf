#include "PipeTransportTestSupport.h"

#include <chrono>
#include <cstdlib>
#include <poll.h>
#include <sys/socket.h>

#include "ClassDefine.h"
#include "MsgIo.h"
#include "PipePktBufr.h"
#include "platform/NamedPipe.h"

MXR_LOCAL_CLASS_DEFINE(TestPipeHead);
MXR_CLASS_DEFINE(BulkMsg);

using namespace portlib::platform;

SockPair::SockPair() {
    int sv[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, sv) != 0) std::abort();
    a = sv[0];
    b = sv[1];
}

SockPair::~SockPair() {
    if (a >= 0) PipeClose(a);
    CloseB();
}

int SockPair::TakeA() {
    const int fd = a;
    a = -1;
    return fd;
}

void SockPair::CloseB() {
    if (b >= 0) PipeClose(b);
    b = -1;
}

TestPipeHead::~TestPipeHead() {
    if (onDestroy) onDestroy();
}

void TestPipeHead::HupDetected() {
    ++hups;
    PipeHead::HupDetected();
}

int TestPipeHead::ProcessIncomingPktBufr(BasePktBufrPtr& pkt) {
    ++packetsIn;
    return PipeHead::ProcessIncomingPktBufr(pkt);
}

void TestPipeHead::PassedPacketProcessing(BasePktBufrPtr& pkt) {
    if (pkt.GetPtr() != nullptr) ++packetsPassed;
    PipeHead::PassedPacketProcessing(pkt);
}

std::string Payload(std::size_t n, int seed) {
    std::string s(n, 'x');
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>(1 + (i + static_cast<std::size_t>(seed)) % 251);
    return s;
}

std::vector<std::vector<char>> PacketsOfMsg(const BasePtr& obj, unsigned short id) {
    PipePktCtrlPtr c(new PipePktCtrl());
    c->SetPktCtrlId(id);
    obj->Serialize(*c.GetPtr());
    c->SetOffset(0);
    std::vector<std::vector<char>> out;
    for (BasePktBufrPtr p = c->GetFirstPktBufr(); p.GetPtr() != nullptr; p = c->GetNextPktBufr()) {
        const int n = p->GetSendSize();
        const char* bytes = p->GetSendRecvAddr();
        out.emplace_back(bytes, bytes + n);
    }
    return out;
}

BasePktBufrPtr PacketFromWire(const std::vector<char>& wire) {
    BasePktBufrPtr pkt(new PipePktBufr());
    std::copy(wire.begin(), wire.end(), pkt->GetSendRecvAddr());
    if (pkt->SetRecvdSize(static_cast<int>(wire.size())) != 0) return BasePktBufrPtr();
    return pkt;
}

bool WriteMsgRaw(int fd, const BaseMsgPtr& msg, unsigned short id) {
    for (auto& pkt : PacketsOfMsg(msg, id)) {
        hv::strbuf d{0, static_cast<int>(pkt.size()), pkt.data()};
        for (;;) {
            if (hv::putmsg(fd, nullptr, &d, 0) == 0) break;
            if (hv::GetLastMsgError() != HV_WSAEWOULDBLOCK) return false;
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, 1000);
        }
    }
    return true;
}

BasePtr DecodeStream(PipePktCtrl& c) {
    c.SetOffset(0);
    BasePktCtrlPtr stream(&c);
    return BaseMsgPtr(stream);
}

BasePtr RawReader::Read(int fd, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        std::vector<char> buf(520);
        hv::strbuf d{520, 0, buf.data()};
        const int rc = hv::getmsg(fd, nullptr, &d, nullptr);
        if (rc == -1) {
            if (hv::GetLastMsgError() != HV_ERROR_NO_DATA) {
                failed = true;
                return BasePtr();
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0) return BasePtr();
            pollfd p{fd, POLLIN, 0};
            ::poll(&p, 1, static_cast<int>(left.count()));
            continue;
        }
        buf.resize(static_cast<std::size_t>(d.len));
        BasePktBufrPtr pkt = rc == 0 ? PacketFromWire(buf) : BasePktBufrPtr();
        if (pkt.GetPtr() == nullptr) {  // longer than any packet, or refused
            failed = true;
            return BasePtr();
        }
        ids.push_back(pkt->GetPktCtrlId());
        if (ctrl.GetPtr() == nullptr)
            ctrl = new PipePktCtrl(pkt);
        else
            ctrl->PutPktBufr(pkt);
        if (ctrl->AllThere()) {
            BasePtr obj = DecodeStream(*ctrl.GetPtr());
            ctrl = PipePktCtrlPtr();
            if (obj.GetPtr() == nullptr) failed = true;
            return obj;
        }
    }
}

BasePtr ReadMsgRaw(int fd, int timeoutMs, std::vector<unsigned short>* ids) {
    RawReader reader;
    BasePtr obj = reader.Read(fd, timeoutMs);
    if (ids != nullptr) *ids = reader.ids;
    return obj;
}

bool RunUntil(BaseWorld& world, const std::function<bool()>& done, int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    const int saved = world.GetDfltPollTimer();
    world.SetDfltPollTimer(20);
    bool ok = done();
    while (!ok && std::chrono::steady_clock::now() < end) {
        world.Run();
        ok = done();
    }
    world.SetDfltPollTimer(saved);
    return ok;
}

StderrCapture::StderrCapture() { ::testing::internal::CaptureStderr(); }

StderrCapture::~StderrCapture() { Text(); }

std::string StderrCapture::Text() {
    if (!done) {
        text = ::testing::internal::GetCapturedStderr();
        done = true;
    }
    return text;
}
