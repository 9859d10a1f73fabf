// The pipe packet: an 8-byte header and up to 512 data bytes in one block,
// written to a message-mode pipe as one message and read into it in place.
//
// On the wire (little-endian):
//   0-1 TotalBytesSent  this packet's bytes, header included (9 to 520)
//   2-3 PktCtrlId       the message number, the same in all its packets
//   4-5 PktId           the packet's place in the message, from 1
//   6-7 TotalPkts       the message's packet count
//   8-  data            512 bytes in every packet but the last
// The header fields live in members; the block's header bytes are written from
// them when the block is handed out (GetSendRecvAddr) and read back into them
// when a received size is taken (SetRecvdSize).
//
// Packets are made and dropped for every message: their memory comes from a
// per-thread pool (BlockPool), and the data area is not cleared up front.
// Data bytes the packet never took (written, received or read in) read as
// zeros: they are cleared when the data is first read or sent, so nothing
// of an earlier packet in the same memory can show.
#pragma once

#include "BasePktBufr.h"
#include "EnumPattern.h"
#include "PktSerialize.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <typeinfo>

class PipePktBufr : public BasePktBufr {
    MXR_LOCAL_CLASS(PipePktBufr, BasePktBufr);

public:
    enum enSize : int { DATASIZE = 512 };
    MXR_ENUM(enSize, GetEnSizeCvtPtr);
    static constexpr int HeaderSize = 8;
    // The words of a packet's header as it arrives (little-endian): bytes
    // sent, controller id, packet number (from 1), packets in its message.
    struct WireHeader {
        unsigned short sent, ctrlId, pktId, pktCnt;
    };
    // The header at the start of a packet read off a pipe (at least
    // HeaderSize bytes there).
    static WireHeader ReadHeader(const void* packet) {
        const auto* h = static_cast<const unsigned char*>(packet);
        const auto word = [h](int at) { return static_cast<unsigned short>(h[at] | h[at + 1] << 8); };
        return {word(0), word(2), word(4), word(6)};
    }

    MXR_FIELDS(MXR_FIELD("offset", Offset), MXR_FIELD("bytesOfData", BytesOfData),
               MXR_FIELD("maxDataBufrSize", MaxDataBufrSize), MXR_FIELD("totalBytesSent", TotalBytesSent),
               MXR_FIELD("pktCtrlId", PktCtrlId), MXR_FIELD("pktId", PktId), MXR_FIELD("totalPkts", TotalPkts));

    // All fields 0, capacity 512, data zeroed.
    PipePktBufr();
    ~PipePktBufr() override;

    static void* operator new(std::size_t size);
    static void* operator new(std::size_t size, const std::nothrow_t&) noexcept;
    static void operator delete(void* block, std::size_t size) noexcept;

    unsigned short GetPktCtrlId() const override;
    void SetPktCtrlId(unsigned short id) override;
    unsigned short GetPktId() const override;
    void SetPktId(unsigned short id) override;
    int GetTotalPkts() const override;
    void SetTotalPkts(unsigned short cnt) override;
    unsigned short GetMaxDataBufrSize() const override;
    int GetMaxPktSize() const override;
    // Capacity = size - 8 in 16-bit arithmetic, then held to 32..512: 520 and
    // more give 512, 40 gives 32, a size below 8 wraps round and gives 512.
    void SetMaxPktSize(int size) override;
    unsigned short GetDataBufrSize() const override;
    char* GetSendRecvAddr() override;
    int GetSendSize() override;
    // 520, whatever the capacity.
    int GetRecvSize() const override;
    // Refuses (-1, no data) a count shorter than the header or longer than the
    // largest packet, and a packet whose header announces more than arrived.
    int SetRecvdSize(int count) override;
    int GetPktHeaderSize() const override;
    unsigned short GetOffset() const override;
    void SetOffset(unsigned short offset) override;
    int GetBytes(char* bytes, unsigned short cnt) override;
    int PutBytes(const char* bytes, unsigned short cnt) override;

    // Whether pkt may receive the next pipe message again instead of a new
    // packet: a pipe packet that nobody holds but pkt, while tracing is off (a
    // traced run makes a new packet for every read). When so it is made what
    // a new receive packet is before the read, its capacity kept.
    static bool RewindIfUnshared(BasePktBufrPtr& pkt);
    // Whether RewindIfUnshared would take pkt back, and it has the full
    // capacity (512): a reader that reads a pipe message elsewhere first
    // may still fall back on it as if it had read into it.
    static bool IsFullSpare(const BasePktBufrPtr& pkt) {
        if (FuncInfo::MayTrace()) return false;
        const BaseVirtItem* held = static_cast<const BasePtr&>(pkt).GetPtr();
        return held != nullptr && typeid(*held) == typeid(PipePktBufr) && held->GetRefCnt() == 1 &&
               static_cast<const PipePktBufr*>(held)->MaxDataBufrSize == DATASIZE;
    }

    // The data area for reading in place: *at the position, *end the end of
    // the data held (the bytes between read as GetBytes would give them).
    char* ReadArea(int* at, int* end);

    unsigned short GetBytesOfData() const;
    void SetBytesOfData(unsigned short cnt);
    void SetMaxDataBufrSize(unsigned short size);
    unsigned short GetTotalBytesSent() const;
    void SetTotalBytesSent(unsigned short cnt);

    // The wire header of a packet (each count 16-bit little-endian): its
    // send size (header and data), message id, packet number and count.
    static void WriteHeader(unsigned char* at, unsigned short sendSize, unsigned short ctrlId, unsigned short pktId,
                            unsigned short totalPkts) {
        const std::uint64_t header = std::uint64_t{sendSize} | std::uint64_t{ctrlId} << 16 |
                                     std::uint64_t{pktId} << 32 | std::uint64_t{totalPkts} << 48;
        for (int i = 0; i < HeaderSize; ++i) at[i] = static_cast<unsigned char>(header >> (8 * i));
    }

    // The data capacity SetMaxPktSize(size) gives.
    static int CapacityFor(int size) {
        int cap = static_cast<unsigned short>(static_cast<unsigned>(size) - HeaderSize);
        if (cap < 32) cap = 32;
        if (cap > DATASIZE) cap = DATASIZE;
        return cap;
    }

private:
    friend class PipePktCtrl;

    // What the packet controller uses while tracing is off, in place of the
    // virtual accessors (no frame, no virtual call).
    // A new packet of message id with capacity cap, holding cnt (<= cap)
    // bytes, the position behind them: what PutBytes gives a fresh packet.
    void TakeData(unsigned short id, int cap, const char* bytes, int cnt) {
        PktCtrlId = id;
        MaxDataBufrSize = static_cast<unsigned short>(cap);
        std::memcpy(block + HeaderSize, bytes, static_cast<std::size_t>(cnt));
        Offset = static_cast<unsigned short>(cnt);
        BytesOfData = static_cast<unsigned short>(cnt);
        ownEnd = static_cast<unsigned short>(cnt);
    }
    void Number(unsigned short id, unsigned short total) {
        PktId = id;
        TotalPkts = total;
    }
    int DataBytes() const { return BytesOfData; }
    int Id() const { return PktId; }
    int Total() const { return TotalPkts; }
    int Position() const { return Offset; }
    void Place(int offset) { Offset = static_cast<unsigned short>(offset); }

    // Back to the state of a new packet of its capacity.
    void Rewind();

    // The data bytes that can be used: the fields may be set to anything (from
    // an s-expression, say), the block never grows.
    int DataEnd() const;
    int DataCap() const;
    unsigned char* Data() { return block + HeaderSize; }
    // Clears the data bytes between what the packet took and end.
    void ClearTo(int end);

    unsigned short Offset;
    unsigned short BytesOfData;
    unsigned short MaxDataBufrSize;
    unsigned short TotalBytesSent;
    unsigned short PktCtrlId;
    unsigned short PktId;
    unsigned short TotalPkts;
    // The data bytes [0, ownEnd) are this packet's: taken or cleared.
    unsigned short ownEnd;
    unsigned char block[HeaderSize + DATASIZE];
};
MXR_COMPANIONS(PipePktBufr);

int _serialize(BasePktCtrl& c, PipePktBufr::enSize& v);
