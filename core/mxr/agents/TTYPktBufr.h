// One packet of the serial line: a 24-byte header and up to 512 data bytes in
// one block, written to the line from the marker on and read into it in place.
//
// On the line (every integer little-endian, each field read and written on
// its own):
//   0-3   marker          "!@#$"
//   4-5   totalBytesSent  the packet's bytes, header included (24..536)
//   6-7   pktCtrlId       the message number, the same in all its packets
//   8-9   pktId           the packet's place in the message, from 1
//   10-11 totalPkts       the message's packet count
//   12-13 ackNotRequired  0: the receiver answers with ACK or NACK
//   14-15 padding         covered by the checksums only
//   16-19 headerCheckSum  16-bit sum of the header (0 when no answer is due)
//   20-23 packetCheckSum  16-bit sum of the whole packet (likewise)
//   24-   data
// The header fields live in the block itself: what a setter writes is what
// goes on the line, and what was read from the line is what a getter sees.
#pragma once

#include "BasePktBufr.h"
#include "EnumPattern.h"
#include "PktSerialize.h"

class TTYPktBufr : public BasePktBufr {
    MXR_LOCAL_CLASS(TTYPktBufr, BasePktBufr);
    MXR_FIELDS(MXR_FIELD("offset", offset), MXR_FIELD("bytesOfData", bytesOfData),
               MXR_FIELD("maxDataBufrSize", maxDataBufrSize), MXR_FIELD("totalBytesSent", totalBytesSent),
               MXR_FIELD("pktCtrlId", pktCtrlId), MXR_FIELD("pktId", pktId), MXR_FIELD("totalPkts", totalPkts),
               MXR_FIELD("ackNotRequired", ackNotRequired), MXR_FIELD("headerCheckSum", headerCheckSum),
               MXR_FIELD("packetCheckSum", packetCheckSum));

public:
    enum enSize : int { DATASIZE = 512 };
    MXR_ENUM(enSize, GetEnSizeCvtPtr);
    static constexpr int HeaderSize = 24;
    static constexpr int RecvSize = HeaderSize + DATASIZE;  // 536
    static constexpr char Marker[4] = {'!', '@', '#', '$'};

    // Header zero (no marker), capacity 512, data zeroed.
    TTYPktBufr();
    ~TTYPktBufr() override;

    unsigned short GetPktCtrlId() const override;
    void SetPktCtrlId(unsigned short id) override;
    unsigned short GetPktId() const override;
    void SetPktId(unsigned short id) override;
    int GetTotalPkts() const override;
    void SetTotalPkts(unsigned short cnt) override;
    unsigned short GetMaxDataBufrSize() const override;
    int GetMaxPktSize() const override;
    // Capacity = size - 24 in 16-bit arithmetic, then held to 32..512.
    void SetMaxPktSize(int size) override;
    unsigned short GetDataBufrSize() const override;
    // The marker: the first byte on the line.
    char* GetSendRecvAddr() override;
    // Stamps totalBytesSent = data + 24 and returns it.
    int GetSendSize() override;
    int GetRecvSize() const override;
    // count <= 0: no data, -1. Else data = count - 24 (held to 0..512);
    // 0 when count covers totalBytesSent, else -1.
    int SetRecvdSize(int count) override;
    int GetPktHeaderSize() const override;
    unsigned short GetOffset() const override;
    void SetOffset(unsigned short offset) override;
    int GetBytes(char* bytes, unsigned short cnt) override;
    int PutBytes(const char* bytes, unsigned short cnt) override;

    unsigned short GetBytesOfData() const;
    void SetBytesOfData(unsigned short cnt);
    void SetMaxDataBufrSize(unsigned short size);
    unsigned short GetTotalBytesSent() const;
    void SetTotalBytesSent(unsigned short cnt);
    unsigned short GetAckNotRequired() const;
    void SetAckNotRequired(unsigned short flag);
    unsigned GetHeaderCheckSum() const;
    void SetHeaderCheckSum(unsigned sum);
    unsigned GetPacketCheckSum() const;
    void SetPacketCheckSum(unsigned sum);
    // The first data byte as a signed char: the class code of a message's
    // first packet when that code is below 128.
    int GetBufrClassCode() const;

    // Writes "!@#$" into the marker; 1 when the marker holds it.
    void SetMarker();
    int HasMarker() const;
    // The folded 16-bit sum of the first n bytes from the marker (n held to
    // the block); 0 for n = 0. No complement is taken.
    unsigned checksum(int n) const;
    // Marker and length, then both sums (header first, each computed with the
    // fields after it still 0): what a packet that needs an answer carries.
    void StampCheckSums();
    // The header's sum, computed with both sum fields 0, against the field.
    int HeaderCheckSumMatch() const;
    // The sum of the first n bytes, computed with packetCheckSum 0 and the
    // header's sum as it is, against the field.
    int PacketCheckSumMatch(int n) const;

    // Every field of the header, as it stands (for traces and tests).
    const unsigned char* GetBlock() const { return block; }

private:
    unsigned short U16At(int at) const;
    void PutU16At(int at, unsigned short v);
    unsigned U32At(int at) const;
    void PutU32At(int at, unsigned v);
    int DataEnd() const;
    int DataCap() const;
    unsigned char* Data() { return block + HeaderSize; }

    // The encodings read the header through these copies: taken from the
    // block before an object is written, put back into it after one is read.
    void HeaderToFields();
    void FieldsToHeader();

    unsigned short offset;
    unsigned short bytesOfData;
    unsigned short maxDataBufrSize;
    unsigned short totalBytesSent = 0;
    unsigned short pktCtrlId = 0;
    unsigned short pktId = 0;
    unsigned short totalPkts = 0;
    unsigned short ackNotRequired = 0;
    unsigned headerCheckSum = 0;
    unsigned packetCheckSum = 0;
    unsigned char block[RecvSize];
};
MXR_COMPANIONS(TTYPktBufr);
MXR_COMPANION_ARY(TTYPktBufr);

int _serialize(BasePktCtrl& c, TTYPktBufr::enSize& v);
