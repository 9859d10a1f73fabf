// The dynamic address table: rows handed out round robin from 1, growth by
// ten, uniqueness numbers, and addresses of rows that were freed or reused.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <vector>

#include "DynamicAddr.h"
#include "DynamicAddrEnt.h"
#include "RuntimeTestSupport.h"

namespace {
char tags[32];
BaseMsgRcvr* Tag(int i) { return reinterpret_cast<BaseMsgRcvr*>(&tags[i]); }

BaseMsgRcvr* Resolve(unsigned short idx, unsigned short uniq) { return DynamicAddr(idx, uniq).GetMsgRcvrAddr(); }
}  // namespace

TEST(DynamicAddrTable, NineRowsFitTheFirstTableAndTheTenthGrowsIt) {
    RuntimeScope scope;
    std::vector<DynamicAddrEntPtr> rows;
    for (int i = 0; i < 9; ++i) rows.emplace_back(new DynamicAddrEnt(Tag(i)));
    EXPECT_EQ(DynamicAddrEnt::GetDynamicAddrTblSz(), 10);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(rows[i]->GetIdx(), i + 1);  // row 0 is never handed out
        EXPECT_EQ(rows[i]->GetUniq(), i + 1);
        EXPECT_EQ(Resolve(rows[i]->GetIdx(), rows[i]->GetUniq()), Tag(i));
    }
    rows.emplace_back(new DynamicAddrEnt(Tag(9)));
    EXPECT_EQ(rows[9]->GetIdx(), 10);
    EXPECT_EQ(DynamicAddrEnt::GetDynamicAddrTblSz(), 20);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(Resolve(rows[i]->GetIdx(), rows[i]->GetUniq()), Tag(i)) << i;
    for (int i = 10; i < 19; ++i) rows.emplace_back(new DynamicAddrEnt(Tag(i)));
    EXPECT_EQ(DynamicAddrEnt::GetDynamicAddrTblSz(), 20);
    rows.emplace_back(new DynamicAddrEnt(Tag(19)));
    EXPECT_EQ(rows.back()->GetIdx(), 20);
    EXPECT_EQ(DynamicAddrEnt::GetDynamicAddrTblSz(), 30);
    rows.clear();
    for (int i = 0; i < 30; ++i) EXPECT_EQ(DynamicAddrEnt::GetDynamicAddrTblPtr()[i], nullptr);
}

TEST(DynamicAddrTable, FreedRowsAreReusedLateAndStaleAddressesResolveToNothing) {
    RuntimeScope scope;
    std::vector<DynamicAddrEntPtr> rows;
    for (int i = 0; i < 5; ++i) rows.emplace_back(new DynamicAddrEnt(Tag(i)));
    const unsigned short oldIdx = rows[1]->GetIdx();
    const unsigned short oldUniq = rows[1]->GetUniq();
    rows[1] = DynamicAddrEntPtr();
    EXPECT_EQ(Resolve(oldIdx, oldUniq), nullptr);

    // Round robin: the free rows after the cursor come first, row 2 last.
    std::vector<unsigned short> taken;
    for (int i = 5; i < 9; ++i) {
        rows.emplace_back(new DynamicAddrEnt(Tag(i)));
        taken.push_back(rows.back()->GetIdx());
    }
    EXPECT_EQ(taken, (std::vector<unsigned short>{6, 7, 8, 9}));
    rows.emplace_back(new DynamicAddrEnt(Tag(9)));
    EXPECT_EQ(rows.back()->GetIdx(), oldIdx);
    EXPECT_NE(rows.back()->GetUniq(), oldUniq);
    // The old address no longer reaches the row; the new one does.
    EXPECT_EQ(Resolve(oldIdx, oldUniq), nullptr);
    EXPECT_EQ(Resolve(oldIdx, rows.back()->GetUniq()), Tag(9));
}

TEST(DynamicAddrTable, AddressesOutsideTheTableResolveToNothing) {
    RuntimeScope scope;
    EXPECT_EQ(Resolve(1, 1), nullptr);  // no table yet
    DynamicAddrEntPtr row(new DynamicAddrEnt(Tag(0)));
    EXPECT_EQ(Resolve(0, 0), nullptr);  // row 0
    EXPECT_EQ(Resolve(0, row->GetUniq()), nullptr);
    EXPECT_EQ(Resolve(9, 1), nullptr);      // empty row
    EXPECT_EQ(Resolve(10, 1), nullptr);     // just past the table
    EXPECT_EQ(Resolve(65535, 1), nullptr);  // far past it
    EXPECT_EQ(Resolve(row->GetIdx(), static_cast<unsigned short>(row->GetUniq() + 1)), nullptr);
}

TEST(DynamicAddrTable, UniquenessNumbersSkipZero) {
    RuntimeScope scope;
    DynamicAddrEnt::SetDynamicAddrUniqCursor(65535);
    DynamicAddrEntPtr a(new DynamicAddrEnt(Tag(0)));
    DynamicAddrEntPtr b(new DynamicAddrEnt(Tag(1)));
    EXPECT_EQ(a->GetUniq(), 65535);
    EXPECT_EQ(b->GetUniq(), 1);
    DynamicAddrEnt::SetDynamicAddrUniqCursor(0);  // set from outside: still never 0
    DynamicAddrEntPtr c(new DynamicAddrEnt(Tag(2)));
    EXPECT_EQ(c->GetUniq(), 1);
}

// An entry that is freed early (its receiver is going) or copied never
// empties a row that another entry owns.
TEST(DynamicAddrTable, OnlyTheOwnerOfARowEmptiesIt) {
    RuntimeScope scope;
    DynamicAddrEntPtr a(new DynamicAddrEnt(Tag(0)));
    const unsigned short idx = a->GetIdx();
    const unsigned short uniq = a->GetUniq();
    {
        DynamicAddrEnt copy(*a.GetPtr());
        EXPECT_EQ(copy.GetIdx(), idx);
    }
    EXPECT_EQ(Resolve(idx, uniq), Tag(0));
    a->FreeRow();
    EXPECT_EQ(Resolve(idx, uniq), nullptr);
    EXPECT_EQ(a->GetIdx(), 0);
    // The freed row goes to a new owner; the early-freed entry's end leaves it be.
    DynamicAddrEnt::SetDynamicAddrTblCursor(idx);
    DynamicAddrEntPtr b(new DynamicAddrEnt(Tag(1)));
    EXPECT_EQ(b->GetIdx(), idx);
    a = DynamicAddrEntPtr();
    EXPECT_EQ(Resolve(idx, b->GetUniq()), Tag(1));
    // A blank entry holds no row.
    DynamicAddrEntPtr blank(new DynamicAddrEnt());
    EXPECT_EQ(blank->GetIdx(), 0);
    blank = DynamicAddrEntPtr();
    EXPECT_EQ(Resolve(idx, b->GetUniq()), Tag(1));
}

// An address of another thread of this process goes the route way: with no
// route to it, nothing.
TEST(DynamicAddrTable, AnotherThreadsAddressIsNotLookedUpInThisTable) {
    RuntimeScope scope;
    DynamicAddrEntPtr row(new DynamicAddrEnt(Tag(0)));
    DynamicAddr mine(row->GetIdx(), row->GetUniq());
    EXPECT_EQ(mine.GetMsgRcvrAddr(), Tag(0));
    DynamicAddr other(mine);
    other.SetTid(mine.GetTid() + 1);
    EXPECT_EQ(other.GetMsgRcvrAddr(), nullptr);
    BaseAddrEntPtr route(new BaseAddrEnt(bStr("NODEA"), other.GetPid(), other.GetTid(), Tag(5)));
    EXPECT_EQ(other.GetMsgRcvrAddr(), Tag(5));
}

// Row numbers are 16 bits: with every row taken, a new receiver gets no row
// (its address resolves to nothing) instead of stopping the process.
TEST(DynamicAddrTable, AFullTableGivesNoRowAndKeepsRunning) {
    RuntimeScope scope;
    DynamicAddrEnt occupant;
    auto** full = new DynamicAddrEnt*[65530];
    for (int i = 0; i < 65530; ++i) full[i] = i == 0 ? nullptr : &occupant;
    DynamicAddrEnt::SetDynamicAddrTblPtr(full);
    DynamicAddrEnt::SetDynamicAddrTblSz(65530);
    DynamicAddrEntPtr last(new DynamicAddrEnt(Tag(0)));  // grows to the last six rows
    EXPECT_EQ(last->GetIdx(), 65530);
    EXPECT_EQ(DynamicAddrEnt::GetDynamicAddrTblSz(), 65536);
    std::vector<DynamicAddrEntPtr> rest;
    for (int i = 0; i < 5; ++i) rest.emplace_back(new DynamicAddrEnt(Tag(1)));
    EXPECT_EQ(rest.back()->GetIdx(), 65535);
    ::testing::internal::CaptureStderr();
    DynamicAddrEntPtr none(new DynamicAddrEnt(Tag(2)));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "DynamicAddrEnt::DynamicAddrEnt - No free row in the dynamic address table\n");
    EXPECT_EQ(none->GetIdx(), 0);
    EXPECT_EQ(DynamicAddrEnt::GetDynamicAddrTblSz(), 65536);
    EXPECT_EQ(Resolve(none->GetIdx(), none->GetUniq()), nullptr);
    EXPECT_EQ(Resolve(65535, rest.back()->GetUniq()), Tag(1));
    none = DynamicAddrEntPtr();
    last = DynamicAddrEntPtr();
    rest.clear();
    for (int i = 1; i < 65530; ++i) DynamicAddrEnt::GetDynamicAddrTblPtr()[i] = nullptr;
}
