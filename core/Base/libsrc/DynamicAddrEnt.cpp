#include "DynamicAddrEnt.h"

#include <iostream>

#include "ClassDefine.h"
#include "GrowRowTable.h"
#include "MxrAssert.h"

MXR_LOCAL_CLASS_DEFINE(DynamicAddrEnt);

DynamicAddrEnt** DynamicAddrEnt::dynamicAddrTblPtr = nullptr;
int DynamicAddrEnt::dynamicAddrTblSz = 0;
int DynamicAddrEnt::dynamicAddrTblCursor = 1;
unsigned short DynamicAddrEnt::dynamicAddrUniqCursor = 1;

namespace {
constexpr int kTblGrowth = 10;
constexpr int kMaxTblSz = 65536;  // rows 1 to 65535

// A new table of newSz rows: the old rows copied, the rest empty.
DynamicAddrEnt** GrowTable(DynamicAddrEnt** old, int oldSz, int newSz) {
    DynamicAddrEnt** tbl = GrowRowTable(old, oldSz, newSz);
    MXR_ASSERT(tbl != nullptr, "dynamicAddrTblPtr != 0", "DynamicAddrEnt");
    return tbl;
}
}  // namespace

DynamicAddrEnt::DynamicAddrEnt() : Idx(0), Uniq(0), MsgRcvrPtr(nullptr) { MXR_METHOD_FRAME("DynamicAddrEnt", 0); }

DynamicAddrEnt::DynamicAddrEnt(BaseMsgRcvr* rcvr) : Idx(0), Uniq(0), MsgRcvrPtr(rcvr) {
    MXR_METHOD_FRAME("DynamicAddrEnt", 1);
    if (dynamicAddrTblPtr == nullptr) {
        dynamicAddrTblPtr = GrowTable(nullptr, 0, kTblGrowth);
        dynamicAddrTblSz = kTblGrowth;
        dynamicAddrTblCursor = 1;
    }
    // A cursor set out of range from outside starts the search at row 1.
    if (dynamicAddrTblCursor < 1 || dynamicAddrTblCursor >= dynamicAddrTblSz) dynamicAddrTblCursor = 1;
    const int start = dynamicAddrTblCursor;
    while (dynamicAddrTblPtr[dynamicAddrTblCursor] != nullptr) {
        if (++dynamicAddrTblCursor >= dynamicAddrTblSz) dynamicAddrTblCursor = 1;
        if (dynamicAddrTblCursor == start) {
            const int oldSz = dynamicAddrTblSz;
            if (oldSz >= kMaxTblSz) {
                // Row numbers travel as 16 bits. A receiver made now (objects
                // decoded from a peer's message count too) gets no row, and
                // addresses of it resolve to nothing, rather than stopping
                // the process.
                std::cerr << "DynamicAddrEnt::DynamicAddrEnt - No free row in the dynamic address table\n"
                          << std::flush;
                return;
            }
            const int newSz = oldSz + kTblGrowth < kMaxTblSz ? oldSz + kTblGrowth : kMaxTblSz;
            dynamicAddrTblPtr = GrowTable(dynamicAddrTblPtr, oldSz, newSz);
            dynamicAddrTblSz = newSz;
            dynamicAddrTblCursor = oldSz;
            break;
        }
    }
    Idx = static_cast<unsigned short>(dynamicAddrTblCursor);
    if (++dynamicAddrTblCursor >= dynamicAddrTblSz) dynamicAddrTblCursor = 1;
    dynamicAddrTblPtr[Idx] = this;
    if (dynamicAddrUniqCursor == 0) dynamicAddrUniqCursor = 1;
    Uniq = dynamicAddrUniqCursor;
    if (++dynamicAddrUniqCursor == 0) dynamicAddrUniqCursor = 1;
}

DynamicAddrEnt::~DynamicAddrEnt() {
    MXR_METHOD_FRAME("~DynamicAddrEnt", 0);
    FreeRow();
}

void DynamicAddrEnt::FreeRow() {
    MXR_METHOD_FRAME("FreeRow", 0);
    // Only the row's owner empties it: a copy of an entry, or an entry whose
    // row was freed already, leaves the row to whoever has it now.
    if (Idx != 0 && Idx < dynamicAddrTblSz && dynamicAddrTblPtr[Idx] == this) dynamicAddrTblPtr[Idx] = nullptr;
    Idx = 0;
    MsgRcvrPtr = nullptr;
}

BaseMsgRcvr* DynamicAddrEnt::LookUpRow(unsigned short idx, unsigned short uniq) {
    MXR_FRAME("DynamicAddrEnt", "LookUpRow", 2, "DynamicAddrEnt.c");
    if (idx == 0 || idx >= dynamicAddrTblSz) return nullptr;
    const DynamicAddrEnt* row = dynamicAddrTblPtr[idx];
    if (row == nullptr || row->Uniq != uniq) return nullptr;
    return row->MsgRcvrPtr;
}

unsigned short DynamicAddrEnt::GetIdx() const {
    MXR_METHOD_FRAME("GetIdx", 0);
    return Idx;
}

void DynamicAddrEnt::SetIdx(unsigned short idx) {
    MXR_METHOD_FRAME("SetIdx", 1);
    Idx = idx;
}

unsigned short DynamicAddrEnt::GetUniq() const {
    MXR_METHOD_FRAME("GetUniq", 0);
    return Uniq;
}

void DynamicAddrEnt::SetUniq(unsigned short uniq) {
    MXR_METHOD_FRAME("SetUniq", 1);
    Uniq = uniq;
}

BaseMsgRcvr* DynamicAddrEnt::GetMsgRcvrPtr() const {
    MXR_METHOD_FRAME("GetMsgRcvrPtr", 0);
    return MsgRcvrPtr;
}

void DynamicAddrEnt::SetMsgRcvrPtr(BaseMsgRcvr* rcvr) {
    MXR_METHOD_FRAME("SetMsgRcvrPtr", 1);
    MsgRcvrPtr = rcvr;
}

DynamicAddrEnt** DynamicAddrEnt::GetDynamicAddrTblPtr() {
    MXR_FRAME("DynamicAddrEnt", "GetDynamicAddrTblPtr", 0, "DynamicAddrEnt.c");
    return dynamicAddrTblPtr;
}

void DynamicAddrEnt::SetDynamicAddrTblPtr(DynamicAddrEnt** tbl) {
    MXR_FRAME("DynamicAddrEnt", "SetDynamicAddrTblPtr", 1, "DynamicAddrEnt.c");
    dynamicAddrTblPtr = tbl;
}

int DynamicAddrEnt::GetDynamicAddrTblSz() {
    MXR_FRAME("DynamicAddrEnt", "GetDynamicAddrTblSz", 0, "DynamicAddrEnt.c");
    return dynamicAddrTblSz;
}

void DynamicAddrEnt::SetDynamicAddrTblSz(int sz) {
    MXR_FRAME("DynamicAddrEnt", "SetDynamicAddrTblSz", 1, "DynamicAddrEnt.c");
    dynamicAddrTblSz = sz;
}

int DynamicAddrEnt::GetDynamicAddrTblCursor() {
    MXR_FRAME("DynamicAddrEnt", "GetDynamicAddrTblCursor", 0, "DynamicAddrEnt.c");
    return dynamicAddrTblCursor;
}

void DynamicAddrEnt::SetDynamicAddrTblCursor(int cursor) {
    MXR_FRAME("DynamicAddrEnt", "SetDynamicAddrTblCursor", 1, "DynamicAddrEnt.c");
    dynamicAddrTblCursor = cursor;
}

unsigned short DynamicAddrEnt::GetDynamicAddrUniqCursor() {
    MXR_FRAME("DynamicAddrEnt", "GetDynamicAddrUniqCursor", 0, "DynamicAddrEnt.c");
    return dynamicAddrUniqCursor;
}

void DynamicAddrEnt::SetDynamicAddrUniqCursor(unsigned short cursor) {
    MXR_FRAME("DynamicAddrEnt", "SetDynamicAddrUniqCursor", 1, "DynamicAddrEnt.c");
    dynamicAddrUniqCursor = cursor;
}
