#include "SockTestSupport.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "ClassDefine.h"
#include "LocalForms.h"
#include "PipePktCtrl.h"

MXR_LOCAL_CLASS_DEFINE_CUSTOM(SockRecordingHead);
MXR_LOCAL_FORMS(SockRecordingHead, BaseMsgRcvr);

LoopbackListener::LoopbackListener() {
    fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sa.sin_port = 0;
    EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa), 0);
    EXPECT_EQ(::listen(fd, 5), 0);
    socklen_t len = sizeof sa;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
    port = ntohs(sa.sin_port);
}

LoopbackListener::~LoopbackListener() {
    if (fd != -1) ::close(fd);
}

int LoopbackListener::Accept(int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) != 1) return -1;
    return ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
}

TcpPair::TcpPair() {
    LoopbackListener l;
    const int c = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sa.sin_port = htons(l.port);
    EXPECT_EQ(::connect(c, reinterpret_cast<sockaddr*>(&sa), sizeof sa), 0);
    far = l.Accept();
    near = c;
    ::fcntl(near, F_SETFL, O_NONBLOCK);
}

TcpPair::~TcpPair() {
    if (near != -1) ::close(near);
    if (far != -1) ::close(far);
}

int TcpPair::TakeNear() {
    const int fd = near;
    near = -1;
    return fd;
}

void TcpPair::WriteFar(const std::string& bytes) {
    ASSERT_EQ(::send(far, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
}

void TcpPair::ResetFar() {
    linger lg{1, 0};
    ::setsockopt(far, SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
    ::close(far);
    far = -1;
}

SockRecordingHead::~SockRecordingHead() = default;

BasePtr SockRecordingHead::GetaPollAdptrPtr(int fd) { return BasePtr(new SOCKPipePollAdptr(fd, this)); }

void SockRecordingHead::HupDetected() {
    ++hups;
    PipeHead::HupDetected();
}

int SockRecordingHead::ProcessIncomingPktBufr(BasePktBufrPtr& pkt) {
    const auto* b = reinterpret_cast<const unsigned char*>(pkt->GetSendRecvAddr());
    packets.emplace_back(pkt->GetSendRecvAddr(), static_cast<std::size_t>(b[0] | (b[1] << 8)));
    return 0;
}

void SockRecordingHead::PassedPacketProcessing(BasePktBufrPtr& pkt) {
    if (pkt.GetPtr() != nullptr) ++passed;
}

namespace {
void PutU16(std::string& s, unsigned v) {
    s.push_back(static_cast<char>(v & 0xff));
    s.push_back(static_cast<char>((v >> 8) & 0xff));
}
}  // namespace

std::string StreamPacket(const std::string& data, unsigned short id, unsigned short pktId, unsigned short total) {
    std::string s;
    PutU16(s, static_cast<unsigned>(8 + data.size()));
    PutU16(s, id);
    PutU16(s, pktId);
    PutU16(s, total);
    return s + data;
}

std::string RawLengthPacket(int lengthField, int n) {
    std::string s;
    PutU16(s, static_cast<unsigned>(lengthField));
    PutU16(s, 1);
    PutU16(s, 1);
    PutU16(s, 1);
    return s + std::string(static_cast<std::size_t>(n), 'z');
}

std::string PipeBytesOf(const BaseMsgPtr& msg) {
    const SockRecordingHeadPtr writer(new SockRecordingHead(-1));
    PipePktCtrlPtr packets(writer->GetaPipePktCtrl());
    static unsigned short id = 0;
    if (packets->Pack(*msg.GetPtr(), ++id) != PipePktCtrl::PACKED) return std::string();
    std::string out;
    for (BasePktBufrPtr pkt = packets->GetFirstPktBufr(); pkt.GetPtr() != nullptr; pkt = packets->GetNextPktBufr())
        out.append(pkt->GetSendRecvAddr(), static_cast<std::size_t>(pkt->GetSendSize()));
    return out;
}

BasePollAdptr::enWork ServeOnce(SOCKPipePollAdptr& adptr, int waitMs) {
    hv::pollfd p{};
    adptr.PopulatePollInfo(&p);
    if (p.fd >= 0) ::poll(&p, 1, waitMs);
    return adptr.ProcessRevents(&p);
}

MXR_CLASS_DEFINE(SockBulkMsg);
