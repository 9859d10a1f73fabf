#include "PipePktCtrl.h"

#include <climits>
#include <cstring>
#include <new>
#include <string>
#include <typeinfo>
#include <utility>

#include "ClassDefine.h"
#include "MxrAssert.h"
#include "PipePktBufr.h"

MXR_LOCAL_CLASS_DEFINE(PipePktCtrl);

namespace {
// The largest count handed to a packet at once (its counts are 16-bit).
constexpr int MaxPiece = 0xFFFF;

// The packet as a pipe packet, or null for another kind.
PipePktBufr* AsPipe(BasePktBufr* pkt) {
    return pkt != nullptr && typeid(*pkt) == typeid(PipePktBufr) ? static_cast<PipePktBufr*>(pkt) : nullptr;
}

// The same while tracing is off, else null: the caller then goes through
// the packet's virtual accessors, whose frames a traced run shows.
PipePktBufr* FastPipe(BasePktBufr* pkt) { return FuncInfo::MayTrace() ? nullptr : AsPipe(pkt); }

// The same for a counted packet, looked at without a frame.
PipePktBufr* FastPipe(const BasePktBufrPtr& pkt) {
    return FastPipe(static_cast<BasePktBufr*>(static_cast<const BasePtr&>(pkt).GetPtr()));
}

// Collecting buffers kept for the next messages of this thread: a few, of
// at most a few MiB each.
constexpr std::size_t MaxSpareBuffers = 4;
constexpr std::size_t MaxSpareBytes = 4u << 20;

// The thread's spare buffers: plain words, found without the dynamic lookup
// an object with a destructor costs, and valid for the thread's whole life.
constinit thread_local char* spareBytes[MaxSpareBuffers] __attribute__((tls_model("initial-exec"))) = {};
constinit thread_local std::size_t spareRoom[MaxSpareBuffers] __attribute__((tls_model("initial-exec"))) = {};
constinit thread_local std::size_t spareCnt __attribute__((tls_model("initial-exec"))) = 0;
// 0 not yet armed, 1 armed (the spares are freed at thread end), 2 freed:
// later controllers of that thread keep no buffer.
constinit thread_local int spareState __attribute__((tls_model("initial-exec"))) = 0;

struct SpareDrain {
    ~SpareDrain() {
        while (spareCnt > 0) delete[] spareBytes[--spareCnt];
        spareState = 2;
    }
};
thread_local SpareDrain spareDrain;

void TakeBuffer(PipePktCtrl::StageBuffer& into) {
    if (spareCnt == 0) return;
    --spareCnt;
    into.bytes.reset(spareBytes[spareCnt]);
    into.room = spareRoom[spareCnt];
}

// The thread's first buffer given back arms the drain at thread end (out of
// line: the giving itself then needs no stack frame).
[[gnu::noinline, gnu::cold]] void ArmSpareDrain() {
    SpareDrain* volatile armed = &spareDrain;
    static_cast<void>(armed);
    spareState = 1;
}

void GiveBuffer(PipePktCtrl::StageBuffer& buffer) {
    if (buffer.room == 0) return;
    if (spareState == 0) ArmSpareDrain();
    if (spareState == 1 && spareCnt < MaxSpareBuffers && buffer.room <= MaxSpareBytes) {
        spareBytes[spareCnt] = buffer.bytes.release();
        spareRoom[spareCnt] = buffer.room;
        ++spareCnt;
    } else {
        buffer.bytes.reset();
    }
    buffer.room = 0;
}
}  // namespace

static_assert(PipePktCtrl::StageBuffer::HeadRoom >= PipePktBufr::HeaderSize, "a header fits in front of the data");

// What a pipe packet makes of the largest size: 520. (A constructor reaches
// only this class's own packets, so this is what asking one would answer.)
constexpr int PipePktSize = PipePktBufr::HeaderSize + PipePktBufr::DATASIZE;

PipePktCtrl::PipePktCtrl()
    : BufrCursor(0),
      MaxPktSize(PipePktSize),
      cursorKey(-1),
      cursorBase(0),
      arrived(-1),
      stagedLen(0),
      staging(true),
      gathering(false),
      gatherTotal(0),
      winBase(nullptr) {
    MXR_METHOD_FRAME("PipePktCtrl", 0);
}

void PipePktCtrl::ShutWindow() const {
    auto* self = const_cast<PipePktCtrl*>(this);
    if (winDirection == INTOPKT) {
        const int at = static_cast<int>(winCur - staged.data());
        if (at > stagedLen) stagedLen = at;
    } else {
        ShutPacketWindow();
    }
    self->winCur = nullptr;
    self->winEnd = nullptr;
    self->winDirection = BADDIR;
    self->winLow = nullptr;
}

// The packet being read keeps the position the window reached.
[[gnu::noinline]] void PipePktCtrl::ShutPacketWindow() const {
    if (BasePktBufr* pkt = PktAt(BufrCursor)) pkt->SetOffset(static_cast<unsigned short>(winCur - winBase));
}

// The collected bytes are windowed here; a packet's bytes out of line, so
// that the common case saves no registers.
inline void PipePktCtrl::OpenWindow() {
    MXR_ASSERT(winDirection == BADDIR, "winDirection == BADDIR", "PipePktCtrl");
    if (gathering) {
        if (Direction != OUTOFPKT || Offset >= stagedLen) return;
        winBase = staged.data();
        winCur = staged.data() + Offset;
        winEnd = staged.data() + stagedLen;
        winDirection = OUTOFPKT;
        return;
    }
    if (staging) {
        if (Direction != INTOPKT || staged.room == 0) return;
        winCur = staged.data() + Offset;
        winEnd = staged.data() + staged.room;
        winDirection = INTOPKT;
        // One piece from position 0: a length word written earlier is patched in place.
        winLow = staged.data();
        winLowEnd = winEnd;
        return;
    }
    if (Direction == OUTOFPKT) OpenPacketWindow();
}

[[gnu::noinline]] void PipePktCtrl::OpenPacketWindow() {
    // Only the pipe's own packets: another kind keeps its data its own way.
    BasePktBufr* pkt = PktAt(BufrCursor);
    if (pkt == nullptr || typeid(*pkt) != typeid(PipePktBufr)) return;
    int at = 0;
    int end = 0;
    char* data = static_cast<PipePktBufr*>(pkt)->ReadArea(&at, &end);
    if (at >= end) return;
    winBase = data;
    winCur = data + at;
    winEnd = data + end;
    winDirection = OUTOFPKT;
}

void PipePktCtrl::Reserve(std::size_t need, std::size_t keep) const {
    if (staged.room == 0) TakeBuffer(staged);
    if (need <= staged.room) return;
    std::size_t room = staged.room * 2;
    if (room < static_cast<std::size_t>(PipePktSize)) room = PipePktSize;
    if (room < need) room = need;
    std::unique_ptr<char[]> grown = std::make_unique_for_overwrite<char[]>(StageBuffer::HeadRoom + room);
    if (keep > 0) std::memcpy(grown.get() + StageBuffer::HeadRoom, staged.data(), keep);
    staged.bytes = std::move(grown);
    staged.room = room;
}

void PipePktCtrl::StageBytes(const char* bytes, int cnt) {
    Reserve(static_cast<std::size_t>(Offset) + static_cast<std::size_t>(cnt), static_cast<std::size_t>(stagedLen));
    std::memcpy(staged.data() + Offset, bytes, static_cast<std::size_t>(cnt));
    Offset += cnt;
    if (Offset > stagedLen) stagedLen = Offset;
}

void PipePktCtrl::Unstage() const {
    if (!staging) return;
    CloseWindow();
    staging = false;
    if (stagedLen == 0) {
        GiveBuffer(staged);
        return;
    }
    auto* self = const_cast<PipePktCtrl*>(this);
    if (FastPipePackets() && BufrAry.GetItemCnt() == 0 && BufrCursor == 0) {
        self->CutStaged(self->Offset);
        stagedLen = 0;
        GiveBuffer(staged);
        return;
    }
    // Written again through the packets, from the start; then back to the
    // position.
    const enDirection direction = self->Direction;
    const int position = self->Offset;
    self->Direction = INTOPKT;
    self->Offset = 0;
    self->DoBytes(staged.data(), stagedLen);
    self->Direction = direction;
    stagedLen = 0;
    GiveBuffer(staged);
    if (position != self->Offset) self->SetOffset(position);
    CloseWindow();  // the caller goes on through the packets
}

bool PipePktCtrl::FastPipePackets() const {
    return !FuncInfo::MayTrace() && typeid(*this) == typeid(PipePktCtrl);
}

void PipePktCtrl::CutStaged(int position) {
    const int cap = PipePktBufr::CapacityFor(MaxPktSize);
    const int n = (stagedLen + cap - 1) / cap;
    BufrAry.ReSize(n);
    const char* from = staged.data();
    int left = stagedLen;
    for (int i = 0; i < n; ++i) {
        PipePktBufr* pkt = new (std::nothrow) PipePktBufr();
        MXR_ASSERT(pkt != nullptr, "pkt != 0", "PipePktCtrl");
        const int k = left < cap ? left : cap;
        pkt->TakeData(PktCtrlId, cap, from, k);
        BufrAry[i] = BasePktBufrPtr(pkt);
        from += k;
        left -= k;
    }
    arrived = -1;
    // The packet of the position: the first whose end is at or past it (a
    // position on a boundary is the end of the earlier packet). The others
    // keep their position behind their bytes, as filling them left it.
    int i = position > 0 ? (position - 1) / cap : 0;
    if (i > n - 1) i = n - 1;
    BufrCursor = i;
    cursorKey = i;
    cursorBase = i * cap;
    Offset = position;
    static_cast<PipePktBufr*>(BufrAry[i].GetPtr())->Place(position - i * cap);
}

PipePktCtrl::PipePktCtrl(const BasePktBufrPtr& first) : PipePktCtrl(first, FastPipe(first)) {}

PipePktCtrl::PipePktCtrl(const BasePktBufrPtr& first, const PipePktBufr* pipe)
    : BasePktCtrl(first, pipe != nullptr ? pipe->PktCtrlId : -1),
      BufrCursor(0),
      MaxPktSize(PipePktSize),
      cursorKey(-1),
      cursorBase(0),
      arrived(-1),
      stagedLen(0),
      staging(false),
      gathering(false),
      gatherTotal(0),
      winBase(nullptr) {
    MXR_METHOD_FRAME("PipePktCtrl", 1);
    const int n = pipe != nullptr ? pipe->TotalPkts : first->GetTotalPkts();
    if (n < 1 || n > MaxPktCnt) {
        BadFlg = 1;  // never completes
        return;
    }
    arrived = 0;
    if (n > 1) {
        gatherTotal = n;
        // (While it is constructed this object is of this very class: the
        // packets it makes are pipe packets.)
        if (pipe != nullptr && !FuncInfo::MayTrace() && CanGather(*pipe, 1)) {
            gathering = true;
            Gather(*pipe);
            return;
        }
    }
    BufrAry.ReSize(n);
    if (pipe != nullptr) {
        PlaceArrived(first);  // what PutPktBufr does with it, without a counted copy to hand over
        return;
    }
    BasePktBufrPtr pkt(first);
    PutPktBufr(pkt);
}

bool PipePktCtrl::CanGather(const PipePktBufr& pipe, int id) const {
    if (pipe.PktId != id) return false;
    // As received: read from nowhere yet, all of it its own, the counts the
    // header announced; what Scatter makes again exactly.
    const int bytes = pipe.BytesOfData;
    if (pipe.Offset != 0 || pipe.MaxDataBufrSize != PipePktBufr::DATASIZE || pipe.ownEnd != bytes) return false;
    return FitsGather(pipe.TotalBytesSent, pipe.PktCtrlId, pipe.PktId, pipe.TotalPkts, bytes);
}

bool PipePktCtrl::FitsGather(int sendSize, int ctrlId, int pktId, int totalPkts, int bytes) const {
    if (pktId != arrived + 1 || totalPkts != gatherTotal || ctrlId != PktCtrlId) return false;
    if (sendSize != bytes + PipePktBufr::HeaderSize) return false;
    return pktId == gatherTotal ? bytes <= PipePktBufr::DATASIZE : bytes == PipePktBufr::DATASIZE;
}

char* PipePktCtrl::OpenReadSlot() {
    if (!gathering || slotAt != nullptr || FuncInfo::MayTrace()) return nullptr;
    CloseWindow();
    const std::size_t need = static_cast<std::size_t>(stagedLen) + PipePktBufr::DATASIZE;
    if (need > staged.room) Reserve(need, static_cast<std::size_t>(stagedLen));
    // The head room in front of the buffer covers a header before any data.
    slotAt = staged.data() + stagedLen - PipePktBufr::HeaderSize;
    std::memcpy(slotSaved, slotAt, sizeof slotSaved);
    return slotAt;
}

bool PipePktCtrl::TakeReadSlot(int count) {
    if (slotAt == nullptr || count < PipePktBufr::HeaderSize || count > PipePktSize) return false;
    const PipePktBufr::WireHeader h = PipePktBufr::ReadHeader(slotAt);
    if (!FitsGather(h.sent, h.ctrlId, h.pktId, h.pktCnt, count - PipePktBufr::HeaderSize)) return false;
    CloseReadSlot();
    stagedLen += count - PipePktBufr::HeaderSize;
    ++arrived;
    return true;
}

void PipePktCtrl::CloseReadSlot() {
    if (slotAt == nullptr) return;
    std::memcpy(slotAt, slotSaved, sizeof slotSaved);
    slotAt = nullptr;
}

PipePktCtrl::FirstSlot::~FirstSlot() { GiveBuffer(buffer); }

char* PipePktCtrl::OpenFirstSlot(FirstSlot* slot) {
    StageBuffer& b = slot->buffer;
    if (b.room == 0) TakeBuffer(b);
    if (b.room < static_cast<std::size_t>(PipePktBufr::DATASIZE)) {
        // As Reserve would make it for a first packet.
        b.bytes = std::make_unique_for_overwrite<char[]>(StageBuffer::HeadRoom + PipePktSize);
        b.room = PipePktSize;
    }
    return b.bytes.get();
}

PipePktCtrl* PipePktCtrl::StartFromSlot(FirstSlot* slot, int count) {
    if (count != PipePktSize || slot->buffer.room < static_cast<std::size_t>(PipePktBufr::DATASIZE) ||
        FuncInfo::MayTrace())
        return nullptr;
    const PipePktBufr::WireHeader h = PipePktBufr::ReadHeader(slot->buffer.bytes.get());
    const int total = h.pktCnt;
    if (h.sent != count || h.pktId != 1 || total < 2 || total > MaxPktCnt) return nullptr;
    auto* ctrl = new (std::nothrow) PipePktCtrl(std::move(slot->buffer), h.ctrlId, total);
    MXR_ASSERT(ctrl != nullptr, "ctrl != 0", "PipePktCtrl");
    slot->buffer.room = 0;
    return ctrl;
}

void PipePktCtrl::CloseFirstSlot(FirstSlot* slot) { GiveBuffer(slot->buffer); }

PipePktCtrl::PipePktCtrl(StageBuffer&& gathered, unsigned short id, int total)
    : BufrCursor(0),
      MaxPktSize(PipePktSize),
      cursorKey(-1),
      cursorBase(0),
      arrived(1),
      staged(std::move(gathered)),
      stagedLen(PipePktBufr::DATASIZE),
      staging(false),
      gathering(true),
      gatherTotal(total),
      winBase(nullptr) {
    MXR_METHOD_FRAME("PipePktCtrl", 1);
    Direction = OUTOFPKT;
    PktCtrlId = id;
}

void PipePktCtrl::Gather(const PipePktBufr& pkt) {
    const int bytes = pkt.BytesOfData;
    const std::size_t need = static_cast<std::size_t>(stagedLen) + static_cast<std::size_t>(bytes);
    if (need > staged.room) Reserve(need, static_cast<std::size_t>(stagedLen));
    if (bytes > 0)
        std::memcpy(staged.data() + stagedLen, pkt.block + PipePktBufr::HeaderSize, static_cast<std::size_t>(bytes));
    stagedLen += bytes;
    ++arrived;
}

void PipePktCtrl::Scatter() const {
    if (!gathering) return;
    CloseWindow();
    gathering = false;
    auto* self = const_cast<PipePktCtrl*>(this);
    self->BufrAry.ReSize(gatherTotal);
    const int cap = PipePktBufr::DATASIZE;
    for (int i = 0; i < arrived; ++i) {
        PipePktBufr* pkt = new (std::nothrow) PipePktBufr();
        MXR_ASSERT(pkt != nullptr, "pkt != 0", "PipePktCtrl");
        const int bytes = i < arrived - 1 ? cap : stagedLen - i * cap;
        pkt->TakeData(PktCtrlId, cap, staged.data() + i * cap, bytes);
        pkt->Number(static_cast<unsigned short>(i + 1), static_cast<unsigned short>(gatherTotal));
        pkt->TotalBytesSent = static_cast<unsigned short>(bytes + PipePktBufr::HeaderSize);
        PipePktBufr::WriteHeader(pkt->block, pkt->TotalBytesSent, PktCtrlId, pkt->PktId, pkt->TotalPkts);
        self->BufrAry[i] = BasePktBufrPtr(pkt);
    }
    // The packet of the position as reading left it: those before it read to
    // their end, those after it not yet begun.
    const int position = Offset;
    int at = position > 0 ? (position - 1) / cap : 0;
    if (at > arrived - 1) at = arrived - 1;
    for (int i = 0; i < arrived; ++i) {
        auto* pkt = static_cast<PipePktBufr*>(self->BufrAry[i].GetPtr());
        pkt->Place(i < at ? pkt->DataBytes() : i == at ? position - i * cap : 0);
    }
    self->BufrCursor = at;
    self->cursorKey = at;
    self->cursorBase = at * cap;
    stagedLen = 0;
    GiveBuffer(staged);
}

PipePktCtrl::~PipePktCtrl() {
    MXR_METHOD_FRAME("~PipePktCtrl", 0);
    GiveBuffer(staged);
}

int PipePktCtrl::PktBytes(int i) const {
    if (!FuncInfo::MayTrace() && i >= 0 && i < BufrAry.GetItemCnt()) {
        BasePktBufr* pkt = const_cast<BasePktBufrAry&>(BufrAry)[i].GetPtr();
        if (PipePktBufr* pipe = AsPipe(pkt)) return pipe->DataBytes();
    }
    BasePktBufr* pkt = PktAt(i);
    return pkt != nullptr ? pkt->GetDataBufrSize() : 0;
}

void PipePktCtrl::SetOffset(int position) {
    MXR_METHOD_FRAME("SetOffset", 1);
    MXR_ASSERT(position >= 0, "position >= 0", "PipePktCtrl");
    // Within the span the window covers (the collected bytes, or the pipe
    // packet being read), the window itself moves.
    if (winDirection != BADDIR) {
        // (The start of a later packet is the end of the one before it.)
        const char* low = winDirection == INTOPKT ? staged.data() : BufrCursor == 0 ? winBase : winBase + 1;
        if (winDirection == INTOPKT && winCur - staged.data() > stagedLen)
            stagedLen = static_cast<int>(winCur - staged.data());  // what was written stays
        const char* high = winDirection == INTOPKT ? staged.data() + stagedLen : winEnd;
        const long move = static_cast<long>(position) - Offset;
        if (move >= low - winCur && move <= high - winCur) {
            winCur += move;
            Offset = position;
            return;
        }
    }
    CloseWindow();
    if (staging || gathering) {
        // A seek back patches the collected bytes in place; beyond the end is the end.
        Offset = position < stagedLen ? position : stagedLen;
        OpenWindow();
        return;
    }
    SeekPacket(position);
}

// The position among the packets (out of line: the collected bytes' cases
// above then save no registers).
[[gnu::noinline]] void PipePktCtrl::SeekPacket(int position) {
    const int n = BufrAry.GetItemCnt();
    if (n == 0) {
        Offset = 0;
        return;
    }
    // The target is the first packet whose end is at or past the position.
    // Ends never decrease along the array, so the walk may start from the
    // packet at the cursor when its start is known, going back or forward.
    int i = 0;
    int base = 0;
    if (cursorKey == BufrCursor && BufrCursor >= 0 && BufrCursor < n) {
        i = BufrCursor;
        base = cursorBase;
    }
    while (i > 0 && position <= base) {
        --i;
        base -= PktBytes(i);
    }
    int inPkt;
    for (;;) {
        const int bytes = PktBytes(i);
        if (position - base <= bytes) {
            inPkt = position - base;
            break;
        }
        if (i == n - 1) {
            inPkt = bytes;  // beyond the end is the end
            break;
        }
        base += bytes;
        ++i;
    }
    BufrCursor = i;
    cursorKey = i;
    cursorBase = base;
    Offset = base + inPkt;
    if (BasePktBufr* pkt = PktAt(i)) pkt->SetOffset(static_cast<unsigned short>(inPkt));
    OpenWindow();
}

int PipePktCtrl::GetRemainingByteCnt() const {
    MXR_METHOD_FRAME("GetRemainingByteCnt", 0);
    CloseWindow();
    if (staging || gathering) {
        const_cast<PipePktCtrl*>(this)->OpenWindow();
        return stagedLen > Offset ? stagedLen - Offset : 0;
    }
    const int n = BufrAry.GetItemCnt();
    if (BufrCursor < 0 || BufrCursor >= n) return 0;
    int remaining = 0;
    if (PipePktBufr* pipe = FastPipe(const_cast<BasePktBufrAry&>(BufrAry)[BufrCursor].GetPtr())) {
        const int left = pipe->DataBytes() - pipe->Position();
        if (left > 0) remaining = left;
    } else if (BasePktBufr* pkt = PktAt(BufrCursor)) {
        const int left = pkt->GetDataBufrSize() - pkt->GetOffset();
        if (left > 0) remaining = left;
    }
    for (int i = BufrCursor + 1; i < n; ++i) remaining += PktBytes(i);
    return remaining;
}

void PipePktCtrl::SeekEnd() {
    const int n = BufrAry.GetItemCnt();
    if (n == 0) {
        BufrCursor = 0;
        cursorKey = 0;
        cursorBase = 0;
        Offset = 0;
        return;
    }
    cursorKey = -1;
    SetOffset(INT_MAX);
}

int PipePktCtrl::DoBytes(char* bytes, int cnt) {
    MXR_METHOD_FRAME("DoBytes", 2);
    MXR_ASSERT(cnt > 0, "cnt > 0", "PipePktCtrl");
    CloseWindow();
    if (staging) {
        if (Direction == INTOPKT) {
            StageBytes(bytes, cnt);
            OpenWindow();
            return 0;
        }
        Unstage();
    }
    if (gathering) {
        if (Direction == OUTOFPKT) {
            // The bytes gathered are the stream up to the first packet missing.
            const int left = stagedLen > Offset ? stagedLen - Offset : 0;
            const int k = left < cnt ? left : cnt;
            if (k > 0) std::memcpy(bytes, staged.data() + Offset, static_cast<std::size_t>(k));
            Offset += k;
            OpenWindow();
            return cnt - k;
        }
        Scatter();
    }
    if (Direction != INTOPKT && Direction != OUTOFPKT) return -1;
    const bool packing = Direction == INTOPKT;
    // Packing appends behind the last packet at most; a cursor elsewhere came
    // from outside and means nothing here.
    if (packing && (BufrCursor < 0 || BufrCursor > BufrAry.GetItemCnt())) SeekEnd();
    const bool tracking = cursorKey == BufrCursor;
    if (!tracking) cursorKey = -1;
    while (cnt > 0) {
        BasePktBufr* pkt = PktAt(BufrCursor);
        if (packing) {
            if (BufrCursor >= BufrAry.GetItemCnt()) BufrAry.ReSize(BufrCursor + 1);
            if (pkt == nullptr) {
                arrived = -1;
                BufrAry[BufrCursor] = GetNewPktBufr();
                pkt = PktAt(BufrCursor);
            }
        } else if (pkt == nullptr) {
            // Past the last packet, or a packet that never arrived.
            return cnt;
        }
        const int piece = cnt < MaxPiece ? cnt : MaxPiece;
        const int k = packing ? pkt->PutBytes(bytes, static_cast<unsigned short>(piece))
                              : pkt->GetBytes(bytes, static_cast<unsigned short>(piece));
        cnt -= k;
        Offset += k;
        bytes += k;
        if (cnt == 0) break;
        if (k < piece) {
            // This packet is full (or read to its end): on to the next.
            if (packing && k == 0 && pkt->GetDataBufrSize() == 0)
                return cnt;  // an empty packet that takes nothing: the stream cannot grow
            if (tracking) cursorBase += pkt->GetDataBufrSize();
            ++BufrCursor;
            if (tracking) cursorKey = BufrCursor;
            if (BasePktBufr* next = PktAt(BufrCursor)) next->SetOffset(0);
        }
    }
    OpenWindow();
    return 0;
}

BasePktBufrPtr PipePktCtrl::GetFirstPktBufr() {
    MXR_METHOD_FRAME("GetFirstPktBufr", 0);
    Settle();
    BufrCursor = 0;
    const int n = BufrAry.GetItemCnt();
    if (n < 1) return BasePktBufrPtr();
    // Numbered after the whole message is written: each packet's count is known.
    const bool fast = FastPipePackets();
    for (int i = 0; i < n; ++i) {
        if (fast) {
            if (PipePktBufr* pipe = AsPipe(BufrAry[i].GetPtr())) {
                pipe->Number(static_cast<unsigned short>(i + 1), static_cast<unsigned short>(n));
                continue;
            }
        }
        if (BasePktBufr* pkt = PktAt(i)) {
            pkt->SetPktId(static_cast<unsigned short>(i + 1));
            pkt->SetTotalPkts(static_cast<unsigned short>(n));
        }
    }
    return BufrAry[0];
}

BasePktBufrPtr PipePktCtrl::GetNextPktBufr() {
    MXR_METHOD_FRAME("GetNextPktBufr", 0);
    Settle();
    if (BufrCursor < INT_MAX) ++BufrCursor;
    if (BufrCursor < 0 || BufrCursor >= BufrAry.GetItemCnt()) return BasePktBufrPtr();
    return BufrAry[BufrCursor];
}

void PipePktCtrl::PutPktBufr(BasePktBufrPtr& pkt) {
    MXR_METHOD_FRAME("PutPktBufr", 1);
    // (Gathering began only with this class's pipe packets, tracing off.)
    if (gathering) {
        const PipePktBufr* pipe = FastPipe(pkt);
        if (pipe != nullptr && CanGather(*pipe, arrived + 1)) {
            CloseWindow();
            Gather(*pipe);
            return;
        }
    }
    PlaceArrived(pkt);
}

void PipePktCtrl::PlaceArrived(const BasePktBufrPtr& pkt) {
    Settle();
    if (pkt.GetPtr() == nullptr) return;
    const int n = BufrAry.GetItemCnt();
    PipePktBufr* pipe = FastPipe(pkt.GetPtr());
    const int id = pipe != nullptr ? pipe->Id() : pkt->GetPktId();
    if ((pipe != nullptr ? pipe->Total() : pkt->GetTotalPkts()) != n || id < 1 || id > n) {
        BadFlg = 1;  // does not fit this message: ignored
        return;
    }
    // A packet that arrives twice replaces the first copy.
    if (arrived >= 0 && PktAt(id - 1) == nullptr) ++arrived;
    BufrAry[id - 1] = pkt;
    cursorKey = -1;
}

int PipePktCtrl::AllThere() const {
    MXR_METHOD_FRAME("AllThere", 0);
    if (gathering) return arrived == gatherTotal ? 1 : 0;
    Settle();
    const int n = BufrAry.GetItemCnt();
    if (n == 0) return 0;
    if (arrived >= 0 && arrived < n) return 0;
    for (int i = 0; i < n; ++i) {
        if (PipePktBufr* pipe = FastPipe(const_cast<BasePktBufrAry&>(BufrAry)[i].GetPtr())) {
            if (pipe->Total() != n) return 0;
            continue;
        }
        BasePktBufr* pkt = PktAt(i);
        if (pkt == nullptr || pkt->GetTotalPkts() != n) return 0;
    }
    return 1;
}

int PipePktCtrl::Collect(BaseVirtItem& obj, unsigned short id) {
    SetDirection(INTOPKT);
    SetPktCtrlId(id);
    if (staging && staged.room == 0 && !FuncInfo::MayTrace()) {
        // The first field goes into the window too when a spare buffer is at hand.
        CloseWindow();
        TakeBuffer(staged);
        OpenWindow();
    }
    const int rc = obj.Serialize(*this);
    SetOffset(0);
    return rc;
}

PipePktCtrl::PackResult PipePktCtrl::Pack(BaseVirtItem& obj, unsigned short id) {
    MXR_METHOD_FRAME("Pack", 2);
    if (Collect(obj, id) != 0) return PACK_FAILED;
    Unstage();
    if (BufrAry.GetItemCnt() > MaxPktCnt) return PACK_TOO_LARGE;
    return PACKED;
}

PipePktCtrl::PackResult PipePktCtrl::PackCollected(BaseVirtItem& obj, unsigned short id, CollectedMessage* out,
                                                    bool* handedOver) {
    MXR_METHOD_FRAME("PackCollected", 4);
    *handedOver = false;
    if (Collect(obj, id) != 0) return PACK_FAILED;
    CloseWindow();
    if (staging && stagedLen > 0 && FastPipePackets() && BufrAry.GetItemCnt() == 0 && BufrCursor == 0) {
        const int cap = PipePktBufr::CapacityFor(MaxPktSize);
        if ((stagedLen + cap - 1) / cap > MaxPktCnt) return PACK_TOO_LARGE;
        GiveBack(*out);
        out->buffer = std::move(staged);
        out->length = stagedLen;
        out->capacity = cap;
        out->id = id;
        staged.bytes.reset();
        staged.room = 0;
        stagedLen = 0;
        staging = false;
        Offset = 0;
        *handedOver = true;
        return PACKED;
    }
    Unstage();
    if (BufrAry.GetItemCnt() > MaxPktCnt) return PACK_TOO_LARGE;
    return PACKED;
}

void PipePktCtrl::MakeSlice(BasePktBufr& pkt, const CollectedMessage& msg, int index) {
    auto& pipe = static_cast<PipePktBufr&>(pkt);
    const int at = index * msg.capacity;
    const int k = msg.length - at < msg.capacity ? msg.length - at : msg.capacity;
    pipe.TakeData(msg.id, msg.capacity, msg.buffer.data() + at, k);
    pipe.Number(static_cast<unsigned short>(index + 1), static_cast<unsigned short>(msg.PacketCount()));
    // Cutting leaves the first packet read from its start, the others
    // positioned behind their bytes.
    if (index == 0) pipe.Place(0);
}

void PipePktCtrl::GiveBack(CollectedMessage& msg) {
    GiveBuffer(msg.buffer);
    msg.length = 0;
    msg.capacity = 0;
    msg.id = 0;
}

PipePktCtrl::PackResult PipePktCtrl::PackAndWrite(BaseVirtItem& obj, unsigned short id, PacketWriter write,
                                                   void* context, int* writeRc) {
    MXR_METHOD_FRAME("PackAndWrite", 5);
    *writeRc = 0;
    const bool fast = FastPipePackets();
    if (fast) {
        Direction = INTOPKT;
        PktCtrlId = id;
        if (staging && staged.room == 0) {
            // The first field goes into the window too when a spare buffer is at hand.
            CloseWindow();
            TakeBuffer(staged);
            OpenWindow();
        }
    } else {
        SetDirection(INTOPKT);
        SetPktCtrlId(id);
    }
    const int rc = obj.Serialize(*this);
    if (rc == 0 && fast && staging && BufrAry.GetItemCnt() == 0 && BufrCursor == 0) {
        // Rewound as SetOffset(0) would, the window closed.
        CloseWindow();
        Offset = 0;
        const int cap = PipePktBufr::CapacityFor(MaxPktSize);
        // (The usual capacity divides by a shift.)
        const int n = cap == PipePktBufr::DATASIZE ? (stagedLen + PipePktBufr::DATASIZE - 1) / PipePktBufr::DATASIZE
                                                   : (stagedLen + cap - 1) / cap;
        if (n > MaxPktCnt) return PACK_TOO_LARGE;
        // Each packet goes out from where its data lies, its header written
        // over the 8 bytes in front (the head room, or the end of the packet
        // before, already written) and those bytes put back afterwards.
        char* data = staged.data();
        for (int i = 0; i < n; ++i) {
            const int at = i * cap;
            const int k = stagedLen - at < cap ? stagedLen - at : cap;
            char* pkt = data + at - PipePktBufr::HeaderSize;
            char saved[PipePktBufr::HeaderSize];
            std::memcpy(saved, pkt, sizeof saved);
            PipePktBufr::WriteHeader(reinterpret_cast<unsigned char*>(pkt),
                                     static_cast<unsigned short>(k + PipePktBufr::HeaderSize), PktCtrlId,
                                     static_cast<unsigned short>(i + 1), static_cast<unsigned short>(n));
            *writeRc = write(context, pkt, k + PipePktBufr::HeaderSize);
            std::memcpy(pkt, saved, sizeof saved);
            if (*writeRc != 0) break;
        }
        return PACKED;
    }
    SetOffset(0);
    if (rc != 0) return PACK_FAILED;
    Unstage();
    if (BufrAry.GetItemCnt() > MaxPktCnt) return PACK_TOO_LARGE;
    for (BasePktBufrPtr pkt = GetFirstPktBufr(); pkt.GetPtr() != nullptr; pkt = GetNextPktBufr()) {
        const int size = pkt->GetSendSize();
        if ((*writeRc = write(context, pkt->GetSendRecvAddr(), size)) != 0) break;
    }
    return PACKED;
}

bool PipePktCtrl::CanStart(const BasePktBufrPtr& first) {
    MXR_FRAME("PipePktCtrl", "CanStart", 1, "PipePktCtrl.c");
    if (first.GetPtr() == nullptr) return false;
    const int n = first->GetTotalPkts();
    const int id = first->GetPktId();
    return n >= 1 && n <= MaxPktCnt && id >= 1 && id <= n;
}

int PipePktCtrl::GetPktCnt() const {
    MXR_METHOD_FRAME("GetPktCnt", 0);
    return gathering ? gatherTotal : BufrAry.GetItemCnt();
}

int PipePktCtrl::GetArrivedCnt() const {
    MXR_METHOD_FRAME("GetArrivedCnt", 0);
    if (arrived >= 0) return arrived;
    int n = 0;
    for (int i = 0; i < GetPktCnt(); ++i)
        if (PktAt(i) != nullptr) ++n;
    return n;
}

BasePktBufrAry& PipePktCtrl::GetBufrAry() {
    MXR_METHOD_FRAME("GetBufrAry", 0);
    Settle();
    cursorKey = -1;
    arrived = -1;
    return BufrAry;
}

int PipePktCtrl::GetBufrCursor() const {
    MXR_METHOD_FRAME("GetBufrCursor", 0);
    Settle();
    return BufrCursor;
}

void PipePktCtrl::SetBufrCursor(int cursor) {
    MXR_METHOD_FRAME("SetBufrCursor", 1);
    Settle();
    BufrCursor = cursor;
}

int PipePktCtrl::GetMaxPktSize() const {
    MXR_METHOD_FRAME("GetMaxPktSize", 0);
    return MaxPktSize;
}

void PipePktCtrl::SetMaxPktSize(int size) {
    MXR_METHOD_FRAME("SetMaxPktSize", 1);
    Settle();
    MaxPktSize = size;
}

BasePktBufrPtr PipePktCtrl::NewPktBufr() {
    MXR_METHOD_FRAME("NewPktBufr", 0);
    return GetNewPktBufr();
}

BasePktBufrPtr PipePktCtrl::GetNewPktBufr() {
    MXR_METHOD_FRAME("GetNewPktBufr", 0);
    PipePktBufr* pkt = new (std::nothrow) PipePktBufr();
    MXR_ASSERT(pkt != nullptr, "pkt != 0", "PipePktCtrl");
    if (!FuncInfo::MayTrace()) {
        pkt->PktCtrlId = PktCtrlId;
        pkt->MaxDataBufrSize = static_cast<unsigned short>(PipePktBufr::CapacityFor(MaxPktSize));
        return BasePktBufrPtr(pkt);
    }
    pkt->SetPktCtrlId(PktCtrlId);
    pkt->SetMaxPktSize(MaxPktSize);
    return BasePktBufrPtr(pkt);
}
