// Trees too deep or too long for recursion: nested lists, long lists, deep
// and cyclic object graphs. Each is printed, converted and released without
// running out of stack; what is too deep is cut (printing, object -> tree)
// or refused (tree -> object).
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "CoreTestClasses.h"
#include "IoObjectCvt.h"
#include "IoTestTrees.h"

namespace {

// n lists, each the only element of the one around it: ((((...))))
IoItemPtr NestedLists(int n) {
    IoItemPtr tree = Nil();
    for (int i = 0; i < n; ++i) tree = List({tree});
    return tree;
}

// n objects, each in the pointer field "next" of the one around it.
IoItemPtr NestedObjectTree(int n) {
    IoItemPtr tree = Nil();
    for (int i = 0; i < n; ++i) tree = List({Id("Probe"), Cons(Id("next"), tree)});
    return tree;
}

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

}  // namespace

TEST(IoDeepTree, PrintingFollowsNestedListsUpToTheLimitAndCutsBelow) {
    const int limit = IoItem::MaxListDepth;
    EXPECT_EQ(Text(NestedLists(limit)), std::string(limit, '(') + "()" + std::string(limit, ')'));
    EXPECT_EQ(Text(NestedLists(limit + 1)), std::string(limit, '(') + "..." + std::string(limit, ')'));
}

TEST(IoDeepTree, HundredThousandNestedListsPrintAndReleaseWithoutCrash) {
    IoItemPtr tree = NestedLists(100000);
    const std::string text = Text(tree);
    EXPECT_EQ(text.size(), 2u * IoItem::MaxListDepth + 3);
    // Opaque holders between the lists are taken apart in the same loop.
    IoItemPtr mixed = Nil();
    for (int i = 0; i < 100000; ++i) mixed = (i % 2 == 0) ? Local(List({mixed, Int(i)})) : List({mixed});
    EXPECT_NE(Text(mixed).find("..."), std::string::npos);
    IoItemPtr dotted = Nil();
    for (int i = 0; i < 100000; ++i) dotted = Cons(Int(i), Local(dotted));  // holders along the rest
    EXPECT_EQ(Text(dotted).rfind("(99999 . (99998 . ", 0), 0u);
    tree = IoItemPtr();
    mixed = IoItemPtr();
    dotted = IoItemPtr();
}

TEST(IoDeepTree, MillionCellListPrintsSearchesAndReleases) {
    const int n = 1000000;
    IoItemPtr list = Nil();
    for (int i = n - 1; i >= 0; --i) list = Cons(Int(static_cast<unsigned long>(i)), list);
    std::ostringstream os;
    list->Display(os);
    const std::string text = os.str();
    EXPECT_EQ(text.rfind("(0 1 2 3 ", 0), 0u);
    EXPECT_EQ(text.substr(text.size() - 15), " 999998 999999)");
    EXPECT_EQ(Count(text, " "), static_cast<std::size_t>(n - 1));
    EXPECT_EQ(list->Assoc("absent").GetPtr(), nullptr);

    // A list of lists: every element on its own line.
    IoItemPtr pairs = Nil();
    const int m = 100000;
    for (int i = 0; i < m; ++i) pairs = Cons(List({Id("k"), Int(static_cast<unsigned long>(i))}), pairs);
    std::ostringstream os2;
    pairs->Display(os2);
    EXPECT_EQ(Count(os2.str(), "\n\t(k "), static_cast<std::size_t>(m - 1));
    EXPECT_EQ(Text(pairs->Assoc("k")), "(99999)");
    list = IoItemPtr();
    pairs = IoItemPtr();
}

TEST(IoDeepTree, SharedSubtreesSurviveTheReleaseOfTheTreesAroundThem) {
    IoItemPtr shared = List({Id("a"), List({Int(1), Int(2)})});
    {
        IoItemPtr outer = List({shared, Local(shared), Cons(Int(3), shared)});
        IoItemPtr deep = NestedLists(5000);
        IoCons* inner = static_cast<IoCons*>(deep.GetPtr());
        while (IoItem::IsItemOf(inner->GetCar(), IoCons::ClassCode)) inner = static_cast<IoCons*>(inner->GetCar().GetPtr());
        inner->SetCar(shared);
    }
    EXPECT_EQ(shared->GetRefCnt(), 1);
    EXPECT_EQ(Text(shared), "(a\n\t(1 2))");
}

TEST(IoDeepTree, ObjectTreesAreReadUpToTheObjectLimitAndRefusedBeyond) {
    const int limit = IoItem::MaxObjectDepth;
    BasePtr p;
    ASSERT_EQ(SetFromIoItem(NestedObjectTree(limit), p), 0);
    int depth = 0;
    for (ProbePtr at(p); at.Ok(); at = at->next) ++depth;
    EXPECT_EQ(depth, limit);

    for (int n : {limit + 1, 100000}) {
        ProbePtr keep(new Probe(5));
        BasePtr q(keep);
        EXPECT_EQ(SetFromIoItem(NestedObjectTree(n), q), 1) << n;
        EXPECT_EQ(q.GetPtr(), keep.GetPtr()) << n;
    }
}

TEST(IoDeepTree, CyclicObjectGraphIsCutAtTheObjectLimit) {
    ProbePtr a(new Probe(1));
    a->next = a;  // holds itself
    const std::string text = Text(GetIoItemFrom(BasePtr(a)));
    // The objects down to the limit in full, the next one by its class name only.
    EXPECT_EQ(Count(text, "(label 1)"), static_cast<std::size_t>(IoItem::MaxObjectDepth));
    EXPECT_EQ(Count(text, "Probe"), static_cast<std::size_t>(IoItem::MaxObjectDepth) + 1);
    EXPECT_NE(text.find("(next Probe))"), std::string::npos);
    // The cut tree stands for a graph deeper than the limit: refused when read.
    BasePtr back;
    EXPECT_EQ(SetFromIoItem(GetIoItemFrom(BasePtr(a)), back), 1);
    EXPECT_EQ(back.GetPtr(), nullptr);
    a->next = BasePtr();
}

TEST(IoDeepTree, HostileTreesGiveFailuresNeverACrash) {
    IoItemPtr nonItem(BasePtr(new BaseVirtItem()));
    const IoItemPtr trees[] = {
        IoItemPtr(new IoCons()),
        Cons(IoItemPtr(), IoItemPtr()),
        Cons(nonItem, nonItem),
        List({nonItem, List({nonItem, Int(1)}), Cons(Id("k"), nonItem)}),
        List({Id("Probe"), Cons(nonItem, Int(1)), List({Id("next"), nonItem}), Cons(Id("label"), IoItemPtr())}),
        List({Id("Widget"), nonItem}),
        Local(nonItem),
        Local(IoItemPtr()),
        List({Id("IoCons")}),
        List({Id("IoLocal"), List({Id("value"), Int(1)})}),
        List({Id("IoInt"), List({Id("value"), Id("x")})}),
        nonItem,
    };
    for (const IoItemPtr& t : trees) {
        std::string text = Text(t);
        if (IoItem* i = IoItem::AsItem(t)) {
            i->Assoc("next");
            i->Assoc(nullptr);
        }
        int n = 0;
        bStr s;
        SetFromIoItem(t, n);
        SetFromIoItem(t, s);
        SetFromIoItem(t, n, Probe::GetColourCvtPtr());
        BasePtr p;
        if (SetFromIoItem(t, p) == 0) Text(GetIoItemFrom(p));
        Probe probe;
        probe.SetFromIoItem(t);
    }
    // A pointer field holding a holder of a non-item, and one holding a
    // non-item object, convert by their own slots.
    ProbePtr probe(new Probe(1));
    probe->next = new IoLocal(nonItem);
    EXPECT_EQ(Text(GetIoItemFrom(probe->next)), "(BaseVirtItem)");
}
