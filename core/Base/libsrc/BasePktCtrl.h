// The byte stream of one object or message, with its direction (abstract).
// One call of _serialize(c, v) writes v into the stream when c is packing and
// overwrites v with what it reads when c is unpacking; the concrete controller
// (PipePktCtrl) keeps the bytes in packets. The free encoding functions of every
// wire type are declared in PktSerialize.h, included here.
//
// Results of every transfer: 0 success; 1 a class code that is not the reading
// class's, or a form the reader refuses; -1 a controller without direction; a
// positive number: the bytes missing because the stream ended.
#pragma once

#include "ClassPattern.h"
#include "EnumPattern.h"
#include "PktSerialize.h"

#include <cstdint>
#include <cstring>

#include "FuncInfo.h"

MXR_FORWARD_PTR(BasePktBufr);

class BasePktCtrl : public BaseVirtItem {
    MXR_ABSTRACT_CLASS(BasePktCtrl, BaseVirtItem);

public:
    // On the wire as a 4-byte signed integer.
    enum enDirection : int {
        BADDIR = 0,    // no direction: every transfer fails
        INTOPKT = 1,   // packing: values are copied into the stream
        OUTOFPKT = 2,  // unpacking: values are copied out of the stream
    };
    MXR_ENUM(enDirection, GetEnDirectionCvtPtr);

    MXR_FIELDS(MXR_ENUM_FIELD("direction", Direction, GetEnDirectionCvtPtr), MXR_FIELD("pktCtrlId", PktCtrlId),
               MXR_FIELD("offset", Offset), MXR_FIELD("badFlg", BadFlg));

    ~BasePktCtrl() override { MXR_METHOD_FRAME("~BasePktCtrl", 0); }

    enDirection GetDirection() const {
        MXR_METHOD_FRAME("GetDirection", 0);
        return Direction;
    }
    void SetDirection(enDirection direction);
    unsigned short GetPktCtrlId() const;
    void SetPktCtrlId(unsigned short id);
    int GetOffset() const {
        MXR_METHOD_FRAME("GetOffset", 0);
        return Offset;
    }
    short GetBadFlg() const;
    void SetBadFlg(short flag);

    // slot 7: moves the stream position (0 = start; position >= 0).
    virtual void SetOffset(int position) = 0;
    // slot 8: bytes from the position to the end of the stream.
    virtual int GetRemainingByteCnt() const = 0;
    // slot 9: moves cnt > 0 bytes between bytes and the stream at the position,
    // in the controller's direction, and advances by what was moved; 0 when all
    // were moved, else non-zero (the count missing, or -1 without direction).
    virtual int DoBytes(char* bytes, int cnt) = 0;

    // What the encoders call: DoBytes, served without a virtual call while
    // the bytes fit the span the concrete controller has opened at the
    // position (the window below). The shortcuts open no frame of their own
    // and are taken only while tracing is off: a traced run goes through
    // DoBytes and shows the calls it always showed.
    int MoveBytes(char* bytes, int cnt) {
        if (!FuncInfo::MayTrace() && Direction == winDirection && cnt > 0 && winEnd - winCur >= cnt) {
            if (Direction == INTOPKT)
                std::memcpy(winCur, bytes, static_cast<std::size_t>(cnt));
            else
                std::memcpy(bytes, winCur, static_cast<std::size_t>(cnt));
            winCur += cnt;
            Offset += cnt;
            return 0;
        }
        return DoBytes(bytes, cnt);
    }
    // For encoders that work on the bytes in place, while tracing is off:
    // the window at the position when n bytes of it can move in the
    // controller's direction now (*writing: which way), else null; the bytes
    // left in it (0 when none can move); Advance then counts the n bytes
    // done as moved.
    char* Window(int n, bool* writing) {
        if (FuncInfo::MayTrace() || Direction != winDirection || n <= 0 || winEnd - winCur < n) return nullptr;
        *writing = Direction == INTOPKT;
        return winCur;
    }
    int WindowLeft() const {
        return !FuncInfo::MayTrace() && Direction == winDirection ? static_cast<int>(winEnd - winCur) : 0;
    }
    void Advance(int n) {
        winCur += n;
        Offset += n;
    }

    // The shortcuts of the hottest encoders, through the window (so never
    // while tracing). Each answers false, having moved nothing, when the
    // window cannot serve it; the caller then takes the long way.
    //
    // Width little-endian bytes: written from the low bytes of *bits, or
    // read into *bits (the bytes above Width cleared); *read tells which.
    template <int Width>
    bool MoveWireBits(std::uint64_t* bits, bool* read) {
        bool writing = false;
        auto* at = reinterpret_cast<unsigned char*>(Window(Width, &writing));
        if (at == nullptr) return false;
        if (writing) {
            for (int i = 0; i < Width; ++i) at[i] = static_cast<unsigned char>(*bits >> (8 * i));
        } else {
            std::uint64_t value = 0;
            for (int i = 0; i < Width; ++i) value |= static_cast<std::uint64_t>(at[i]) << (8 * i);
            *bits = value;
        }
        *read = !writing;
        Advance(Width);
        return true;
    }
    // A variable-length count (SpclSerialInt's form) written or read whole
    // inside the window.
    bool MoveWireCount(std::uint32_t* value) {
        bool writing = false;
        auto* at = reinterpret_cast<unsigned char*>(Window(1, &writing));
        if (at == nullptr) return false;
        const long left = winEnd - winCur;
        if (writing) {
            // One byte (a class code, a short length) or two, written at once.
            const std::uint32_t v = *value;
            if (v <= 0x7F) {
                at[0] = static_cast<unsigned char>(v);
                Advance(1);
                return true;
            }
            if (v <= 0x3FFF && left >= 2) {
                at[0] = static_cast<unsigned char>(v | 0x80);
                at[1] = static_cast<unsigned char>(v >> 7);
                Advance(2);
                return true;
            }
            unsigned char form[5];
            int n = 0;
            for (std::uint32_t rest = *value;; rest >>= 7) {
                form[n++] = static_cast<unsigned char>((rest & 0x7F) | (rest > 0x7F ? 0x80 : 0));
                if (rest <= 0x7F) break;
            }
            if (left < n) return false;
            for (int i = 0; i < n; ++i) at[i] = form[i];
            Advance(n);
            return true;
        }
        // A one-byte count (a class code, a short length) at once.
        if ((at[0] & 0x80) == 0) {
            *value = at[0];
            Advance(1);
            return true;
        }
        std::uint32_t read = 0;
        const int most = left < 5 ? static_cast<int>(left) : 5;
        for (int n = 0; n < most; ++n) {
            read |= static_cast<std::uint32_t>(at[n] & 0x7F) << (7 * n);
            if ((at[n] & 0x80) == 0) {
                *value = read;
                Advance(n + 1);
                return true;
            }
        }
        return false;
    }
    // For an encoder that goes back to fill in n bytes it wrote before (a
    // length word), while tracing is off: where the bytes of the stream at
    // position are, when [position, position + n) lies behind the position
    // in the one piece of bytes the packing window is open on; else null
    // (the encoder seeks back instead).
    char* WrittenBytesAt(int position, int n) const {
        if (FuncInfo::MayTrace() || Direction != INTOPKT || winDirection != INTOPKT || winLow == nullptr ||
            winEnd != winLowEnd || position < 0 || n <= 0 || n > Offset || position > Offset - n)
            return nullptr;
        char* at = winCur - (Offset - position);
        return at >= winLow ? at : nullptr;
    }
    // The count at the position, read without moving it; false when the
    // window does not hold all of it.
    bool PeekWireCount(std::uint32_t* value) const {
        if (FuncInfo::MayTrace() || Direction != OUTOFPKT || winDirection != OUTOFPKT) return false;
        const auto* at = reinterpret_cast<const unsigned char*>(winCur);
        const long left = winEnd - winCur;
        const int most = left < 5 ? static_cast<int>(left) : 5;
        std::uint32_t read = 0;
        for (int n = 0; n < most; ++n) {
            read |= static_cast<std::uint32_t>(at[n] & 0x7F) << (7 * n);
            if ((at[n] & 0x80) == 0) {
                *value = read;
                return true;
            }
        }
        return false;
    }

protected:
    // slot 10: a new empty packet for this stream, not yet part of it.
    virtual BasePktBufrPtr GetNewPktBufr() = 0;

public:
    // slot 11: numbers the packets and gives the first (empty when none).
    virtual BasePktBufrPtr GetFirstPktBufr() = 0;
    // slot 12: the following packet, or empty at the end.
    virtual BasePktBufrPtr GetNextPktBufr() = 0;
    // slot 13: adds a received packet to the stream.
    virtual void PutPktBufr(BasePktBufrPtr& pkt) = 0;
    // slot 14: 1 when every packet of the stream is present.
    virtual int AllThere() const = 0;

private:
    // Takes the message number of the first packet of an unpacking controller.
    void AskFirstPkt(const BasePktBufrPtr& first);

protected:
    // A controller for packing.
    BasePktCtrl() : Direction(INTOPKT), PktCtrlId(0), Offset(0), BadFlg(0) { MXR_METHOD_FRAME("BasePktCtrl", 0); }
    // A controller for unpacking, from the first packet that arrived.
    explicit BasePktCtrl(const BasePktBufrPtr& first);
    // The same when the caller, tracing off, has read the message number of
    // the first packet itself (knownId >= 0); -1: it is asked of the packet.
    // (Traced as the constructor above: a traced run always asks the packet.)
    BasePktCtrl(const BasePktBufrPtr& first, int knownId) : Direction(OUTOFPKT), PktCtrlId(0), Offset(0), BadFlg(0) {
        MXR_METHOD_FRAME("BasePktCtrl", 1);
        if (knownId >= 0 && !FuncInfo::MayTrace())
            PktCtrlId = static_cast<unsigned short>(knownId);
        else
            AskFirstPkt(first);
    }

    enDirection Direction;
    unsigned short PktCtrlId;  // the message number on every packet of the stream
    int Offset;                // stream position, counted across all packets
    short BadFlg;              // 1 once a packet did not fit the message

    // The window: contiguous stream bytes at the position, [winCur, winEnd),
    // that MoveBytes copies to (winDirection INTOPKT) or from (OUTOFPKT)
    // directly, advancing winCur and Offset. Only a concrete controller opens
    // one, and it takes back what moved (winCur) before it does anything else
    // with its stream; BADDIR: no window.
    char* winCur = nullptr;
    char* winEnd = nullptr;
    enDirection winDirection = BADDIR;
    // A packing window over bytes held in one piece may tell where that
    // piece starts (the stream position Offset - (winCur - winLow)), with
    // the window's end at the time (winLowEnd): WrittenBytesAt then patches
    // in place. Only a controller that opens such a window sets them, and it
    // clears winLow when it closes the window; null: no patching.
    char* winLow = nullptr;
    char* winLowEnd = nullptr;
};
MXR_COMPANION_PTR(BasePktCtrl);

int _serialize(BasePktCtrl& c, BasePktCtrl::enDirection& v);
