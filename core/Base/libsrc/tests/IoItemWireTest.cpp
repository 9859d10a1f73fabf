// The binary form of item trees: elements without length words, lists of any
// length, nested lists up to the limit, the forms that cannot be read back.
#include <gtest/gtest.h>

#include "CoreTestClasses.h"
#include "IoTestTrees.h"
#include "RegisterClass.h"
#include "WireTestClasses.h"

namespace {

Bytes ItemBytes(const IoItemPtr& item) { return SerializeOf(*item.GetPtr()); }

// Reads an item of the class of the first code in bytes, as an element would be.
int ReadItem(const Bytes& bytes, BasePtr& out, int* remaining = nullptr) {
    Reader r = ReaderOf(bytes);
    SpclSerialInt code;
    if (int rc = _serialize(*r, code)) return rc;
    r->SetOffset(0);
    RegisterClass* rec = RegisterClass::GetRegisterClassEntryFrmId(static_cast<int>(code.value));
    if (rec == nullptr) return -100;
    BasePtr obj(rec->GetNewFuncPtr()());
    const int rc = obj->Serialize(*r);
    out = obj;
    if (remaining != nullptr) *remaining = r->GetRemainingByteCnt();
    return rc;
}

IoItemPtr NestedLists(int n) {
    IoItemPtr tree = Nil();
    for (int i = 0; i < n; ++i) tree = List({tree});
    return tree;
}

}  // namespace

TEST(IoItemWire, AtomsAndListsAsBytes) {
    EXPECT_EQ(ItemBytes(Int(5)), Hex("18 05 00 00 00"));
    EXPECT_EQ(ItemBytes(Id("abc")), Hex("17 03 61 62 63"));
    EXPECT_EQ(ItemBytes(Str("")), Hex("1C 00"));
    EXPECT_EQ(ItemBytes(Nil()), Hex("1B"));
    // (a 5): cell, identifier a, cell, integer 5, the empty list.
    const Bytes list = Hex("16 17 01 61 16 18 05 00 00 00 1B");
    EXPECT_EQ(ItemBytes(List({Id("a"), Int(5)})), list);
    EXPECT_EQ(ItemBytes(Local(Int(1))), Hex("1A 18 01 00 00 00"));

    BasePtr back;
    int remaining = -1;
    ASSERT_EQ(ReadItem(list, back, &remaining), 0);
    EXPECT_EQ(remaining, 0);
    EXPECT_EQ(Text(back), "(a 5)");
}

TEST(IoItemWire, TreesRoundTripWithNestedListsHoldersAndDottedPairs) {
    IoItemPtr tree = List({Id("Probe"), List({Id("label"), Int(7)}), Local(List({Str("x\ty"), Nil()})),
                           Cons(Id("a"), Int(5))});
    const Bytes wire = ItemBytes(tree);
    BasePtr back;
    ASSERT_EQ(ReadItem(wire, back), 0);
    EXPECT_EQ(Text(back), Text(tree));
    EXPECT_EQ(SerializeOf(*back.GetPtr()), wire);
}

TEST(IoItemWire, LongListNeedsNoStack) {
    // Far more cells than recursion along the rest could take.
    IoItemPtr list = Nil();
    for (int i = 0; i < 100000; ++i) list = Cons(Int(static_cast<unsigned long>(i)), list);
    const Bytes wire = ItemBytes(list);
    EXPECT_EQ(wire.size(), 100000u * 6 + 1);
    BasePtr back;
    ASSERT_EQ(ReadItem(wire, back), 0);
    EXPECT_EQ(SerializeOf(*back.GetPtr()), wire);
}

TEST(IoItemWire, NestedListsUpToTheLimitAndRefusedBeyond) {
    // The outermost list is the item itself; its car nests the rest.
    const Bytes atLimit = ItemBytes(NestedLists(IoItem::MaxListDepth));
    BasePtr back;
    EXPECT_EQ(ReadItem(atLimit, back), 0);
    EXPECT_EQ(SerializeOf(*back.GetPtr()), atLimit);

    PipePktCtrl w;
    IoItemPtr deep = NestedLists(IoItem::MaxListDepth + 2);
    EXPECT_EQ(deep->Serialize(w), 1);

    // Crafted: a hundred thousand cells, each the car of the one before.
    Bytes crafted(100000, 0x16);
    crafted.push_back(0x1B);
    BasePtr out;
    EXPECT_EQ(ReadItem(crafted, out), 1);
}

TEST(IoItemWire, FormsThatCannotBeReadBack) {
    struct Case {
        const char* name;
        const char* wire;
        int rc;
    };
    const Case cases[] = {
        {"an empty element", "16 00 1B", 1},
        {"an element of no class", "16 78 1B", 1},
        {"an element that is not an item", "16 C9 01 00 00 00 00 01 00 00 00 00 00 00 00 1B", 1},
        {"a list cut short in its rest", "16 18 01 00 00 00 16 18 02 00", 2},
        {"a holder with nothing behind it", "1A", 1},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        BasePtr out;
        EXPECT_EQ(ReadItem(Hex(k.wire), out), k.rc);
    }

    // A cell whose rest fails keeps its old rest; the car was read.
    IoConsPtr cell(new IoCons(Int(1), Id("old")));
    Reader r = ReaderOf(Hex("16 18 09 00 00 00 16 18 02 00"));
    EXPECT_EQ(cell->Serialize(*r), 2);
    EXPECT_EQ(Text(cell), "(9 . old)");

    // Writing: an element that is not an item is refused.
    IoConsPtr bad(new IoCons(Int(1), Nil()));
    BasePtr notItem(new Probe(1));
    bad->SetCar(IoItemPtr(notItem));
    PipePktCtrl w;
    EXPECT_EQ(bad->Serialize(w), 1);
}
