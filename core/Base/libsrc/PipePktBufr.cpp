#include "PipePktBufr.h"

#include <cstring>
#include <typeinfo>

#include "BasePktCtrl.h"
#include "ClassDefine.h"
#include "EnumDefine.h"
#include "MxrAssert.h"
#include "BlockPool.h"

MXR_LOCAL_CLASS_DEFINE_CUSTOM(PipePktBufr);
MXR_ENUM_TABLE(PipePktBufr, GetEnSizeCvtPtr, DATASIZE);

namespace {

constexpr int MaxPkt = PipePktBufr::HeaderSize + PipePktBufr::DATASIZE;

}  // namespace

PipePktBufr::PipePktBufr()
    : Offset(0),
      BytesOfData(0),
      MaxDataBufrSize(DATASIZE),
      TotalBytesSent(0),
      PktCtrlId(0),
      PktId(0),
      TotalPkts(0),
      ownEnd(0) {
    MXR_METHOD_FRAME("PipePktBufr", 0);
    std::memset(block, 0, HeaderSize);
}

void* PipePktBufr::operator new(std::size_t size) {
    if (void* p = BlockPool::Take(size)) return p;
    throw std::bad_alloc();
}

void* PipePktBufr::operator new(std::size_t size, const std::nothrow_t&) noexcept { return BlockPool::Take(size); }

void PipePktBufr::operator delete(void* block, std::size_t size) noexcept { BlockPool::Give(block, size); }

void PipePktBufr::ClearTo(int end) {
    if (end <= ownEnd) return;
    std::memset(Data() + ownEnd, 0, static_cast<std::size_t>(end - ownEnd));
    ownEnd = static_cast<unsigned short>(end);
}

bool PipePktBufr::RewindIfUnshared(BasePktBufrPtr& pkt) {
    BasePktBufr* held = pkt.GetPtr();
    if (held == nullptr || FuncInfo::MayTrace() || typeid(*held) != typeid(PipePktBufr) || held->GetRefCnt() != 1)
        return false;
    static_cast<PipePktBufr*>(held)->Rewind();
    return true;
}

void PipePktBufr::Rewind() {
    Offset = 0;
    BytesOfData = 0;
    TotalBytesSent = 0;
    PktCtrlId = 0;
    PktId = 0;
    TotalPkts = 0;
    ownEnd = 0;
    std::memset(block, 0, HeaderSize);
}

PipePktBufr::~PipePktBufr() { MXR_METHOD_FRAME("~PipePktBufr", 0); }

unsigned short PipePktBufr::GetPktCtrlId() const {
    MXR_METHOD_FRAME("GetPktCtrlId", 0);
    return PktCtrlId;
}

void PipePktBufr::SetPktCtrlId(unsigned short id) {
    MXR_METHOD_FRAME("SetPktCtrlId", 1);
    PktCtrlId = id;
}

unsigned short PipePktBufr::GetPktId() const {
    MXR_METHOD_FRAME("GetPktId", 0);
    return PktId;
}

void PipePktBufr::SetPktId(unsigned short id) {
    MXR_METHOD_FRAME("SetPktId", 1);
    PktId = id;
}

int PipePktBufr::GetTotalPkts() const {
    MXR_METHOD_FRAME("GetTotalPkts", 0);
    return TotalPkts;
}

void PipePktBufr::SetTotalPkts(unsigned short cnt) {
    MXR_METHOD_FRAME("SetTotalPkts", 1);
    TotalPkts = cnt;
}

unsigned short PipePktBufr::GetMaxDataBufrSize() const {
    MXR_METHOD_FRAME("GetMaxDataBufrSize", 0);
    return MaxDataBufrSize;
}

int PipePktBufr::GetMaxPktSize() const {
    MXR_METHOD_FRAME("GetMaxPktSize", 0);
    return MaxDataBufrSize + HeaderSize;
}

void PipePktBufr::SetMaxPktSize(int size) {
    MXR_METHOD_FRAME("SetMaxPktSize", 1);
    MaxDataBufrSize = static_cast<unsigned short>(CapacityFor(size));
}

unsigned short PipePktBufr::GetDataBufrSize() const {
    MXR_METHOD_FRAME("GetDataBufrSize", 0);
    return BytesOfData;
}

char* PipePktBufr::GetSendRecvAddr() {
    MXR_METHOD_FRAME("GetSendRecvAddr", 0);
    WriteHeader(block, TotalBytesSent, PktCtrlId, PktId, TotalPkts);
    return reinterpret_cast<char*>(block);
}

int PipePktBufr::GetSendSize() {
    MXR_METHOD_FRAME("GetSendSize", 0);
    ClearTo(DataEnd());
    TotalBytesSent = static_cast<unsigned short>(DataEnd() + HeaderSize);
    return TotalBytesSent;
}

int PipePktBufr::GetRecvSize() const {
    MXR_METHOD_FRAME("GetRecvSize", 0);
    return MaxPkt;
}

int PipePktBufr::SetRecvdSize(int count) {
    MXR_METHOD_FRAME("SetRecvdSize", 1);
    // A count that cannot be a packet: nothing of it is taken.
    if (count < HeaderSize || count > MaxPkt) {
        BytesOfData = 0;
        return -1;
    }
    const WireHeader h = ReadHeader(block);
    TotalBytesSent = h.sent;
    PktCtrlId = h.ctrlId;
    PktId = h.pktId;
    TotalPkts = h.pktCnt;
    BytesOfData = static_cast<unsigned short>(count - HeaderSize);
    // Everything behind the header came in: the packet's own from here on.
    ownEnd = BytesOfData;
    return TotalBytesSent <= count ? 0 : -1;
}

int PipePktBufr::GetPktHeaderSize() const {
    MXR_METHOD_FRAME("GetPktHeaderSize", 0);
    return HeaderSize;
}

unsigned short PipePktBufr::GetOffset() const {
    MXR_METHOD_FRAME("GetOffset", 0);
    return Offset;
}

void PipePktBufr::SetOffset(unsigned short offset) {
    MXR_METHOD_FRAME("SetOffset", 1);
    Offset = offset;
}

int PipePktBufr::GetBytes(char* bytes, unsigned short cnt) {
    MXR_METHOD_FRAME("GetBytes", 2);
    MXR_ASSERT(cnt > 0, "cnt > 0", "PipePktBufr");
    const int avail = DataEnd() - Offset;
    if (avail <= 0) return 0;
    ClearTo(DataEnd());
    const int k = avail < cnt ? avail : cnt;
    std::memcpy(bytes, Data() + Offset, static_cast<std::size_t>(k));
    Offset = static_cast<unsigned short>(Offset + k);
    return k;
}

int PipePktBufr::PutBytes(const char* bytes, unsigned short cnt) {
    MXR_METHOD_FRAME("PutBytes", 2);
    const int room = DataCap() - Offset;
    if (room <= 0 || cnt == 0) return 0;
    const int k = room < cnt ? room : cnt;
    ClearTo(Offset);  // a position moved forward leaves no gap of old bytes
    std::memcpy(Data() + Offset, bytes, static_cast<std::size_t>(k));
    Offset = static_cast<unsigned short>(Offset + k);
    if (ownEnd < Offset) ownEnd = Offset;
    // Writing behind a position moved back does not shrink the data.
    if (BytesOfData < Offset) BytesOfData = Offset;
    return k;
}

char* PipePktBufr::ReadArea(int* at, int* end) {
    MXR_METHOD_FRAME("ReadArea", 2);
    *end = DataEnd();
    *at = Offset < *end ? Offset : *end;
    ClearTo(*end);
    return reinterpret_cast<char*>(Data());
}

unsigned short PipePktBufr::GetBytesOfData() const {
    MXR_METHOD_FRAME("GetBytesOfData", 0);
    return BytesOfData;
}

void PipePktBufr::SetBytesOfData(unsigned short cnt) {
    MXR_METHOD_FRAME("SetBytesOfData", 1);
    BytesOfData = cnt;
}

void PipePktBufr::SetMaxDataBufrSize(unsigned short size) {
    MXR_METHOD_FRAME("SetMaxDataBufrSize", 1);
    MaxDataBufrSize = size;
}

unsigned short PipePktBufr::GetTotalBytesSent() const {
    MXR_METHOD_FRAME("GetTotalBytesSent", 0);
    return TotalBytesSent;
}

void PipePktBufr::SetTotalBytesSent(unsigned short cnt) {
    MXR_METHOD_FRAME("SetTotalBytesSent", 1);
    TotalBytesSent = cnt;
}

int PipePktBufr::DataEnd() const { return BytesOfData < int{DATASIZE} ? BytesOfData : int{DATASIZE}; }

int PipePktBufr::DataCap() const { return MaxDataBufrSize < int{DATASIZE} ? MaxDataBufrSize : int{DATASIZE}; }

// The fields, then the data bytes the packet holds. A packet that claims more
// data than a packet can hold is refused (1) and keeps no data.
int _serialize(BasePktCtrl& c, PipePktBufr& v) {
    MXR_FRAME_OF_(PipePktBufr, "_serialize", 2);
    if (int rc = MxrSerializeFields(c, v)) return rc;
    const bool reading = c.GetDirection() != BasePktCtrl::INTOPKT;
    if (reading && v.BytesOfData > PipePktBufr::DATASIZE) {
        v.BytesOfData = 0;
        v.ownEnd = 0;  // nothing of the data is the packet's: it reads as zeros
        return 1;
    }
    int rc = 0;
    if (reading) {
        // The whole area is cleared first: a stream that ends early leaves
        // zeros, and nothing of the old data stays behind the new.
        v.ownEnd = 0;
        v.ClearTo(PipePktBufr::DATASIZE);
        if (v.BytesOfData > 0) rc = c.MoveBytes(reinterpret_cast<char*>(v.Data()), v.DataEnd());
        return rc;
    }
    v.ClearTo(v.DataEnd());
    if (v.BytesOfData > 0) rc = c.MoveBytes(reinterpret_cast<char*>(v.Data()), v.DataEnd());
    return rc;
}

IoItemPtr GetIoItemFrom(const PipePktBufr& v) {
    MXR_FRAME_OF_(PipePktBufr, "GetIoItemFrom", 1);
    return MxrIoItemOfFields(v);
}

int SetFromIoItem(const IoItemPtr& i, PipePktBufr& v) {
    MXR_FRAME_OF_(PipePktBufr, "SetFromIoItem", 2);
    return MxrSetFieldsFromIoItem(i, v);
}

int _serialize(BasePktCtrl& c, PipePktBufr::enSize& v) {
    MXR_FRAME_OF_(PipePktBufr, "_serialize", 2);
    return MxrSerializeEnum(c, v);
}
