// Shared pieces of the path administration tests: raw bytes of an object's
// own binary form (class code first, no pointer length word), a builder for
// expected byte sequences, and the sample addresses and paths.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "BaseVirtItem.h"
#include "DestHostEnt.h"
#include "LogicalAddr.h"
#include "MxrTestSupport.h"
#include "PipeHead.h"
#include "PipePktCtrl.h"

namespace mxrtest {

// What obj.Serialize writes: its class code and fields.
inline std::vector<char> BytesOf(BaseVirtItem& obj) {
    PipePktCtrl c;
    EXPECT_EQ(obj.Serialize(c), 0) << obj.GetClassName();
    c.SetDirection(BasePktCtrl::OUTOFPKT);
    c.SetOffset(0);
    std::vector<char> bytes(static_cast<size_t>(c.GetRemainingByteCnt()));
    if (!bytes.empty()) c.DoBytes(bytes.data(), static_cast<int>(bytes.size()));
    return bytes;
}

// obj.Serialize reading bytes; its result.
inline int ReadBytesInto(BaseVirtItem& obj, std::vector<char> bytes) {
    PipePktCtrl c;
    if (!bytes.empty()) c.DoBytes(bytes.data(), static_cast<int>(bytes.size()));
    c.SetDirection(BasePktCtrl::OUTOFPKT);
    c.SetOffset(0);
    return obj.Serialize(c);
}

// An expected byte sequence, written piece by piece.
struct Bytes {
    std::vector<char> v;
    Bytes& Byte(int b) {
        v.push_back(static_cast<char>(b));
        return *this;
    }
    Bytes& Le32(std::int32_t n) {
        const auto u = static_cast<std::uint32_t>(n);
        for (int shift = 0; shift < 32; shift += 8) Byte(static_cast<int>((u >> shift) & 0xFF));
        return *this;
    }
    // A string: its length (short strings: one byte) and its bytes.
    Bytes& Str(const std::string& s) {
        Byte(static_cast<int>(s.size()));
        v.insert(v.end(), s.begin(), s.end());
        return *this;
    }
    // A carried object in its pointer form (length word and all).
    Bytes& Object(const BasePtr& obj) {
        const std::vector<char> w = WireOf(obj);
        v.insert(v.end(), w.begin(), w.end());
        return *this;
    }
};

// The administrator of this host, and a receiver in another process that
// asks it something.
inline BaseAddrPtr AdminAddr() { return BaseAddrPtr(new LogicalAddr(bStr("NODEA"), LogicalAddr::MXRADMIN)); }
inline BaseAddrPtr AskerAddr() { return BaseAddrPtr(new BaseAddr(bStr("NODEA"), 4242, 77)); }

// A path with all ten fields set.
inline DestHostEntPtr FullPath() {
    DestHostEntPtr p(new DestHostEnt(bStr("NODEB"), 3, bStr("NODEA"), bStr("/dev/ttyS0"), bStr("nodeb"), 4, 5, 9600));
    p->SetHbStatus(PipeHead::ALIVE);
    p->SetConnectionStatus(DestHostEnt::INITIALIZING);
    return p;
}

}  // namespace mxrtest
