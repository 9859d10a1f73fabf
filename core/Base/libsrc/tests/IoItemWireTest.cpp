// The binary form of item trees: golden bytes, empty elements, refused
// elements, long lists and deep nesting.
#include <gtest/gtest.h>

#include <string>

#include "CoreTestClasses.h"
#include "IoObjectCvt.h"
#include "IoTestTrees.h"
#include "RegisterClass.h"
#include "WireTestClasses.h"

namespace {

// Reads an item of the class that the bytes begin with through its slot 1.
int ReadItem(const Bytes& bytes, IoItemPtr& item) {
    Reader r = ReaderOf(bytes);
    if (bytes.empty()) return 1;
    const int code = bytes[0] & 0x7f;
    RegisterClass* rec = RegisterClass::GetRegisterClassEntryFrmId(code);
    if (rec == nullptr) return 1;
    item = IoItemPtr(BasePtr(rec->GetNewFuncPtr()()));
    return item->Serialize(*r);
}

IoItemPtr NestedLists(int n) {
    IoItemPtr tree = Nil();
    for (int i = 0; i < n; ++i) tree = List({tree});
    return tree;
}

}  // namespace

TEST(IoItemWire, ItemsHaveTheirExactBytes) {
    struct Case {
        const char* what;
        IoItemPtr tree;
        const char* hex;
    };
    const Case cases[] = {
        {"integer", Int(5), "18 05 00 00 00"},
        {"identifier", Id("ab"), "17 02 61 62"},
        {"empty identifier", Id(""), "17 00"},
        {"string", Str("ab"), "1C 02 61 62"},
        {"empty list", Nil(), "1B"},
        {"one-element list", List({Int(5)}), "16 18 05 00 00 00 1B"},
        {"dotted pair", Cons(Id("a"), Int(1)), "16 17 01 61 18 01 00 00 00"},
        {"two elements", List({Id("a"), Str("b")}), "16 17 01 61 16 1C 01 62 1B"},
        {"nested list", List({List({Int(1)})}), "16 16 18 01 00 00 00 1B 1B"},
        {"holder", Local(Nil()), "1A 1B"},
        {"empty holder", Local(IoItemPtr()), "1A 00"},
        {"empty cell", IoItemPtr(new IoCons()), "16 00 00"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SerializeOf(*c.tree.GetPtr()), Hex(c.hex)) << c.what;
        IoItemPtr back;
        ASSERT_EQ(ReadItem(Hex(c.hex), back), 0) << c.what;
        EXPECT_EQ(Text(back), Text(c.tree)) << c.what;
        EXPECT_EQ(SerializeOf(*back.GetPtr()), Hex(c.hex)) << c.what;
    }
}

TEST(IoItemWire, EmptyElementsReadBackEmpty) {
    IoItemPtr back;
    ASSERT_EQ(ReadItem(Hex("16 00 00"), back), 0);
    IoConsPtr cell(back);
    ASSERT_TRUE(cell.Ok());
    EXPECT_EQ(cell->GetCar().GetRefPtr(), nullptr);
    EXPECT_EQ(cell->GetCdr().GetRefPtr(), nullptr);
    ASSERT_EQ(ReadItem(Hex("1A 00"), back), 0);
    EXPECT_EQ(IoLocalPtr(back)->GetHeldVal().GetRefPtr(), nullptr);
}

TEST(IoItemWire, ObjectTreesTravelAndReadBackAsObjects) {
    ProbePtr probe(new Probe(7));
    probe->colour = Probe::BLUE;
    probe->next = new Dog();
    IoItemPtr tree = probe->GetIoItemFrom();
    IoItemPtr back;
    ASSERT_EQ(ReadItem(SerializeOf(*tree.GetPtr()), back), 0);
    EXPECT_EQ(Text(back), Text(tree));
    BasePtr rebuilt;
    ASSERT_EQ(SetFromIoItem(back, rebuilt), 0);
    EXPECT_EQ(ProbePtr(rebuilt)->label, 7);
    EXPECT_TRUE(DogPtr(ProbePtr(rebuilt)->next).Ok());
}

TEST(IoItemWire, ElementsThatAreNotItemsAreRefused) {
    struct Case {
        const char* what;
        const char* hex;
    };
    const Case cases[] = {
        {"unregistered code", "16 7F 1B"},
        {"code beyond every table", "16 FF FF FF FF 0F 1B"},
        {"registered class that is no item", "16 C9 01 00 00 00 00 01 00 00 00 00 00 00 00 1B"},
        {"abstract item code", "16 19 1B"},
        {"holder of an unknown code", "1A 7E"},
        {"cdr of an unknown code", "16 1B 7E"},
    };
    for (const Case& c : cases) {
        IoItemPtr back;
        EXPECT_EQ(ReadItem(Hex(c.hex), back), 1) << c.what;
    }
    // Writing: an element that is not an item.
    IoItemPtr bad(new IoCons(IoItemPtr(BasePtr(new Probe(1)))));
    EXPECT_EQ(SerializeOf(*bad.GetPtr()).size(), 1u);
    PipePktCtrl w;
    EXPECT_EQ(bad->Serialize(w), 1);
    IoLocal holder{IoItemPtr(BasePtr(new Probe(1)))};
    PipePktCtrl w2;
    EXPECT_EQ(holder.Serialize(w2), 1);
}

TEST(IoItemWire, EveryCutOfAStreamReportsMissingBytes) {
    const Bytes full = SerializeOf(*List({Id("Probe"), List({Id("label"), Int(300)}), Local(Str("x"))}).GetPtr());
    for (std::size_t cut = 1; cut < full.size(); ++cut) {
        IoItemPtr back;
        EXPECT_GT(ReadItem(Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut)), back), 0) << cut;
    }
}

TEST(IoItemWire, MillionCellListIsWrittenAndReadInALoop) {
    IoItemPtr list = Nil();
    for (int i = 0; i < 1000000; ++i) list = Cons(Int(static_cast<unsigned long>(i % 100)), list);
    const Bytes bytes = SerializeOf(*list.GetPtr());
    EXPECT_EQ(bytes.size(), 1000000u * 6 + 1);
    IoItemPtr back;
    ASSERT_EQ(ReadItem(bytes, back), 0);
    EXPECT_EQ(SerializeOf(*back.GetPtr()), bytes);
}

TEST(IoItemWire, NestingBeyondTheLimitIsRefusedBothWays) {
    const int limit = IoItem::MaxListDepth;
    IoItemPtr ok = NestedLists(limit);
    const Bytes okBytes = SerializeOf(*ok.GetPtr());
    IoItemPtr back;
    ASSERT_EQ(ReadItem(okBytes, back), 0);
    EXPECT_EQ(Text(back), Text(ok));

    PipePktCtrl w;
    EXPECT_EQ(NestedLists(100000)->Serialize(w), 1);
    // A hostile stream: 100,000 cells each opening the next in its car.
    Bytes deep(100000, 0x16);
    deep.push_back(0x1B);
    deep.insert(deep.end(), 100000, 0x1B);
    EXPECT_EQ(ReadItem(deep, back), 1);
    // Holders nested in holders count too.
    Bytes holders(100000, 0x1A);
    holders.push_back(0x00);
    EXPECT_EQ(ReadItem(holders, back), 1);
}
