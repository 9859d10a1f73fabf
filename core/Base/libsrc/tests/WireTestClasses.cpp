#include "WireTestClasses.h"

#include <cstdlib>
#include <cstring>

#include "ClassDefine.h"
#include "PipePktBufr.h"

MXR_CLASS_DEFINE(WireSample);

Bytes StreamOf(PipePktCtrl& c) {
    c.SetDirection(BasePktCtrl::OUTOFPKT);
    c.SetOffset(0);
    Bytes out(static_cast<std::size_t>(c.GetRemainingByteCnt()));
    if (!out.empty()) c.DoBytes(reinterpret_cast<char*>(out.data()), static_cast<int>(out.size()));
    return out;
}

Reader ReaderOf(const Bytes& bytes) {
    PipePktCtrlPtr c(new PipePktCtrl());
    Bytes copy(bytes);
    if (!copy.empty()) c->DoBytes(reinterpret_cast<char*>(copy.data()), static_cast<int>(copy.size()));
    c->SetDirection(BasePktCtrl::OUTOFPKT);
    c->SetOffset(0);
    return Reader{c};
}

Bytes SerializeOf(BaseVirtItem& obj) {
    PipePktCtrl c;
    obj.Serialize(c);
    return StreamOf(c);
}

Bytes PointerFormOf(BasePtr& p) {
    PipePktCtrl c;
    _serialize(c, p);
    return StreamOf(c);
}

std::vector<Bytes> PacketsOf(PipePktCtrl& c) {
    std::vector<Bytes> out;
    c.SetOffset(0);
    for (BasePktBufrPtr p = c.GetFirstPktBufr(); p.GetPtr() != nullptr; p = c.GetNextPktBufr()) {
        const int size = p->GetSendSize();
        const char* addr = p->GetSendRecvAddr();
        out.emplace_back(addr, addr + size);
    }
    return out;
}

BasePktBufrPtr Received(const Bytes& wire, int* rc) {
    PipePktBufr* pkt = new PipePktBufr();
    BasePktBufrPtr p(pkt);
    const std::size_t n = wire.size() < 520 ? wire.size() : 520;
    std::memcpy(pkt->GetSendRecvAddr(), wire.data(), n);
    *rc = pkt->SetRecvdSize(static_cast<int>(wire.size()));
    return p;
}

Bytes Hex(const char* text) {
    Bytes out;
    char* end = nullptr;
    for (const char* p = text; *p != '\0'; p = end) {
        while (*p == ' ') ++p;
        if (*p == '\0') break;
        out.push_back(static_cast<unsigned char>(std::strtoul(p, &end, 16)));
    }
    return out;
}

BaseMsgPtr MessageOf(const Bytes& bytes) {
    Reader r = ReaderOf(bytes);
    BasePktCtrlPtr ctrl(r.ptr);
    return BaseMsgPtr(ctrl);
}
