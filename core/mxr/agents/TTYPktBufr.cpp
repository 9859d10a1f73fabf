#include "TTYPktBufr.h"

#include <cstring>

#include "BasePktCtrl.h"
#include "ClassDefine.h"
#include "EnumDefine.h"
#include "MxrAssert.h"

MXR_LOCAL_CLASS_DEFINE_CUSTOM(TTYPktBufr);
MXR_ENUM_TABLE(TTYPktBufr, GetEnSizeCvtPtr, DATASIZE);

namespace {
// Header offsets on the line.
constexpr int kTotalBytesSent = 4;
constexpr int kPktCtrlId = 6;
constexpr int kPktId = 8;
constexpr int kTotalPkts = 10;
constexpr int kAckNotRequired = 12;
constexpr int kHeaderCheckSum = 16;
constexpr int kPacketCheckSum = 20;
}  // namespace

TTYPktBufr::TTYPktBufr() : offset(0), bytesOfData(0), maxDataBufrSize(DATASIZE) {
    MXR_METHOD_FRAME("TTYPktBufr", 0);
    std::memset(block, 0, sizeof block);
}

TTYPktBufr::~TTYPktBufr() { MXR_METHOD_FRAME("~TTYPktBufr", 0); }

unsigned short TTYPktBufr::U16At(int at) const {
    return static_cast<unsigned short>(block[at] | (block[at + 1] << 8));
}

void TTYPktBufr::PutU16At(int at, unsigned short v) {
    block[at] = static_cast<unsigned char>(v & 0xFF);
    block[at + 1] = static_cast<unsigned char>(v >> 8);
}

unsigned TTYPktBufr::U32At(int at) const {
    return static_cast<unsigned>(block[at]) | (static_cast<unsigned>(block[at + 1]) << 8) |
           (static_cast<unsigned>(block[at + 2]) << 16) | (static_cast<unsigned>(block[at + 3]) << 24);
}

void TTYPktBufr::PutU32At(int at, unsigned v) {
    for (int i = 0; i < 4; ++i) block[at + i] = static_cast<unsigned char>((v >> (8 * i)) & 0xFF);
}

unsigned short TTYPktBufr::GetPktCtrlId() const {
    MXR_METHOD_FRAME("GetPktCtrlId", 0);
    return U16At(kPktCtrlId);
}

void TTYPktBufr::SetPktCtrlId(unsigned short id) {
    MXR_METHOD_FRAME("SetPktCtrlId", 1);
    PutU16At(kPktCtrlId, id);
}

unsigned short TTYPktBufr::GetPktId() const {
    MXR_METHOD_FRAME("GetPktId", 0);
    return U16At(kPktId);
}

void TTYPktBufr::SetPktId(unsigned short id) {
    MXR_METHOD_FRAME("SetPktId", 1);
    PutU16At(kPktId, id);
}

int TTYPktBufr::GetTotalPkts() const {
    MXR_METHOD_FRAME("GetTotalPkts", 0);
    return U16At(kTotalPkts);
}

void TTYPktBufr::SetTotalPkts(unsigned short cnt) {
    MXR_METHOD_FRAME("SetTotalPkts", 1);
    PutU16At(kTotalPkts, cnt);
}

unsigned short TTYPktBufr::GetMaxDataBufrSize() const {
    MXR_METHOD_FRAME("GetMaxDataBufrSize", 0);
    return maxDataBufrSize;
}

int TTYPktBufr::GetMaxPktSize() const {
    MXR_METHOD_FRAME("GetMaxPktSize", 0);
    return maxDataBufrSize + HeaderSize;
}

void TTYPktBufr::SetMaxPktSize(int size) {
    MXR_METHOD_FRAME("SetMaxPktSize", 1);
    unsigned short cap = static_cast<unsigned short>(static_cast<unsigned>(size) - HeaderSize);
    if (cap < 32) cap = 32;
    if (cap > DATASIZE) cap = DATASIZE;
    maxDataBufrSize = cap;
}

unsigned short TTYPktBufr::GetDataBufrSize() const {
    MXR_METHOD_FRAME("GetDataBufrSize", 0);
    return bytesOfData;
}

char* TTYPktBufr::GetSendRecvAddr() {
    MXR_METHOD_FRAME("GetSendRecvAddr", 0);
    return reinterpret_cast<char*>(block);
}

int TTYPktBufr::GetSendSize() {
    MXR_METHOD_FRAME("GetSendSize", 0);
    const unsigned short size = static_cast<unsigned short>(DataEnd() + HeaderSize);
    PutU16At(kTotalBytesSent, size);
    return size;
}

int TTYPktBufr::GetRecvSize() const {
    MXR_METHOD_FRAME("GetRecvSize", 0);
    return RecvSize;
}

int TTYPktBufr::SetRecvdSize(int count) {
    MXR_METHOD_FRAME("SetRecvdSize", 1);
    if (count <= 0) {
        bytesOfData = 0;
        return -1;
    }
    int data = count - HeaderSize;
    if (data < 0) data = 0;
    if (data > DATASIZE) data = DATASIZE;
    bytesOfData = static_cast<unsigned short>(data);
    return count >= GetTotalBytesSent() ? 0 : -1;
}

int TTYPktBufr::GetPktHeaderSize() const {
    MXR_METHOD_FRAME("GetPktHeaderSize", 0);
    return HeaderSize;
}

unsigned short TTYPktBufr::GetOffset() const {
    MXR_METHOD_FRAME("GetOffset", 0);
    return offset;
}

void TTYPktBufr::SetOffset(unsigned short offset_) {
    MXR_METHOD_FRAME("SetOffset", 1);
    offset = offset_;
}

int TTYPktBufr::GetBytes(char* bytes, unsigned short cnt) {
    MXR_METHOD_FRAME("GetBytes", 2);
    MXR_ASSERT(cnt > 0, "cnt > 0", "TTYPktBufr");
    const int avail = DataEnd() - offset;
    if (avail <= 0) return 0;
    const int k = avail < cnt ? avail : cnt;
    std::memcpy(bytes, Data() + offset, static_cast<std::size_t>(k));
    offset = static_cast<unsigned short>(offset + k);
    return k;
}

int TTYPktBufr::PutBytes(const char* bytes, unsigned short cnt) {
    MXR_METHOD_FRAME("PutBytes", 2);
    const int room = DataCap() - offset;
    if (room <= 0 || cnt == 0) return 0;
    const int k = room < cnt ? room : cnt;
    std::memcpy(Data() + offset, bytes, static_cast<std::size_t>(k));
    offset = static_cast<unsigned short>(offset + k);
    if (bytesOfData < offset) bytesOfData = offset;
    return k;
}

unsigned short TTYPktBufr::GetBytesOfData() const {
    MXR_METHOD_FRAME("GetBytesOfData", 0);
    return bytesOfData;
}

void TTYPktBufr::SetBytesOfData(unsigned short cnt) {
    MXR_METHOD_FRAME("SetBytesOfData", 1);
    bytesOfData = cnt;
}

void TTYPktBufr::SetMaxDataBufrSize(unsigned short size) {
    MXR_METHOD_FRAME("SetMaxDataBufrSize", 1);
    maxDataBufrSize = size;
}

unsigned short TTYPktBufr::GetTotalBytesSent() const {
    MXR_METHOD_FRAME("GetTotalBytesSent", 0);
    return U16At(kTotalBytesSent);
}

void TTYPktBufr::SetTotalBytesSent(unsigned short cnt) {
    MXR_METHOD_FRAME("SetTotalBytesSent", 1);
    PutU16At(kTotalBytesSent, cnt);
}

unsigned short TTYPktBufr::GetAckNotRequired() const {
    MXR_METHOD_FRAME("GetAckNotRequired", 0);
    return U16At(kAckNotRequired);
}

void TTYPktBufr::SetAckNotRequired(unsigned short flag) {
    MXR_METHOD_FRAME("SetAckNotRequired", 1);
    PutU16At(kAckNotRequired, flag);
}

unsigned TTYPktBufr::GetHeaderCheckSum() const {
    MXR_METHOD_FRAME("GetHeaderCheckSum", 0);
    return U32At(kHeaderCheckSum);
}

void TTYPktBufr::SetHeaderCheckSum(unsigned sum) {
    MXR_METHOD_FRAME("SetHeaderCheckSum", 1);
    PutU32At(kHeaderCheckSum, sum);
}

unsigned TTYPktBufr::GetPacketCheckSum() const {
    MXR_METHOD_FRAME("GetPacketCheckSum", 0);
    return U32At(kPacketCheckSum);
}

void TTYPktBufr::SetPacketCheckSum(unsigned sum) {
    MXR_METHOD_FRAME("SetPacketCheckSum", 1);
    PutU32At(kPacketCheckSum, sum);
}

int TTYPktBufr::GetBufrClassCode() const {
    MXR_METHOD_FRAME("GetBufrClassCode", 0);
    return static_cast<signed char>(block[HeaderSize]);
}

void TTYPktBufr::SetMarker() {
    MXR_METHOD_FRAME("SetMarker", 0);
    std::memcpy(block, Marker, sizeof Marker);
}

int TTYPktBufr::HasMarker() const {
    MXR_METHOD_FRAME("HasMarker", 0);
    return std::memcmp(block, Marker, sizeof Marker) == 0 ? 1 : 0;
}

unsigned TTYPktBufr::checksum(int n) const {
    MXR_METHOD_FRAME("checksum", 1);
    if (n <= 0) return 0;
    if (n > RecvSize) n = RecvSize;
    unsigned s = 0;
    for (int i = 0; i < n; ++i) s += block[i];
    const unsigned t = (s >> 16) + (s & 0xFFFF);
    return (t + (t >> 16)) & 0xFFFF;
}

void TTYPktBufr::StampCheckSums() {
    MXR_METHOD_FRAME("StampCheckSums", 0);
    SetMarker();
    const int size = GetSendSize();
    SetHeaderCheckSum(0);
    SetPacketCheckSum(0);
    SetHeaderCheckSum(checksum(HeaderSize));
    SetPacketCheckSum(checksum(size));
}

int TTYPktBufr::HeaderCheckSumMatch() const {
    MXR_METHOD_FRAME("HeaderCheckSumMatch", 0);
    // Computed on a copy of the header: the packet itself is not touched.
    TTYPktBufr& self = const_cast<TTYPktBufr&>(*this);
    const unsigned headerSum = GetHeaderCheckSum();
    const unsigned packetSum = GetPacketCheckSum();
    self.PutU32At(kHeaderCheckSum, 0);
    self.PutU32At(kPacketCheckSum, 0);
    const unsigned computed = checksum(HeaderSize);
    self.PutU32At(kHeaderCheckSum, headerSum);
    self.PutU32At(kPacketCheckSum, packetSum);
    return headerSum == computed ? 1 : 0;
}

int TTYPktBufr::PacketCheckSumMatch(int n) const {
    MXR_METHOD_FRAME("PacketCheckSumMatch", 1);
    TTYPktBufr& self = const_cast<TTYPktBufr&>(*this);
    const unsigned packetSum = GetPacketCheckSum();
    self.PutU32At(kPacketCheckSum, 0);
    const unsigned computed = checksum(n);
    self.PutU32At(kPacketCheckSum, packetSum);
    return packetSum == computed ? 1 : 0;
}

int TTYPktBufr::DataEnd() const { return bytesOfData < int{DATASIZE} ? bytesOfData : int{DATASIZE}; }

int TTYPktBufr::DataCap() const { return maxDataBufrSize < int{DATASIZE} ? maxDataBufrSize : int{DATASIZE}; }

void TTYPktBufr::HeaderToFields() {
    totalBytesSent = U16At(kTotalBytesSent);
    pktCtrlId = U16At(kPktCtrlId);
    pktId = U16At(kPktId);
    totalPkts = U16At(kTotalPkts);
    ackNotRequired = U16At(kAckNotRequired);
    headerCheckSum = U32At(kHeaderCheckSum);
    packetCheckSum = U32At(kPacketCheckSum);
}

void TTYPktBufr::FieldsToHeader() {
    PutU16At(kTotalBytesSent, totalBytesSent);
    PutU16At(kPktCtrlId, pktCtrlId);
    PutU16At(kPktId, pktId);
    PutU16At(kTotalPkts, totalPkts);
    PutU16At(kAckNotRequired, ackNotRequired);
    PutU32At(kHeaderCheckSum, headerCheckSum);
    PutU32At(kPacketCheckSum, packetCheckSum);
}

// The fields, then the data bytes the packet holds; a packet that claims more
// data than it can hold is refused (1) and keeps none.
int _serialize(BasePktCtrl& c, TTYPktBufr& v) {
    MXR_FRAME_OF_(TTYPktBufr, "_serialize", 2);
    const bool reading = c.GetDirection() != BasePktCtrl::INTOPKT;
    if (!reading) v.HeaderToFields();
    if (int rc = MxrSerializeFields(c, v)) return rc;
    if (reading) {
        v.FieldsToHeader();
        if (v.bytesOfData > TTYPktBufr::DATASIZE) {
            v.bytesOfData = 0;
            std::memset(v.Data(), 0, TTYPktBufr::DATASIZE);
            return 1;
        }
    }
    int rc = 0;
    if (v.bytesOfData > 0) rc = c.MoveBytes(reinterpret_cast<char*>(v.Data()), v.DataEnd());
    if (reading)
        std::memset(v.Data() + v.DataEnd(), 0, static_cast<std::size_t>(TTYPktBufr::DATASIZE - v.DataEnd()));
    return rc;
}

IoItemPtr GetIoItemFrom(const TTYPktBufr& v) {
    MXR_FRAME_OF_(TTYPktBufr, "GetIoItemFrom", 1);
    const_cast<TTYPktBufr&>(v).HeaderToFields();
    return MxrIoItemOfFields(v);
}

int SetFromIoItem(const IoItemPtr& i, TTYPktBufr& v) {
    MXR_FRAME_OF_(TTYPktBufr, "SetFromIoItem", 2);
    v.HeaderToFields();
    const int rc = MxrSetFieldsFromIoItem(i, v);
    v.FieldsToHeader();
    return rc;
}

int _serialize(BasePktCtrl& c, TTYPktBufr::enSize& v) {
    MXR_FRAME_OF_(TTYPktBufr, "_serialize", 2);
    return MxrSerializeEnum(c, v);
}
