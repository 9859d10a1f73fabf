// Pointer lists and their iterators: a table of operations with the list's
// contents, the results and the shape (count, first, last) checked after each.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

#include "BasePtrLst.h"
#include "BasePtrLstIter.h"
#include "CoreTestClasses.h"

namespace {

// Elements are Probes labelled by a letter; the same letter within one case
// is the same object, so "aba" holds object a twice.
struct Objects {
    std::map<char, BasePtr> byLabel;
    BasePtr& operator[](char c) {
        BasePtr& p = byLabel[c];
        if (!p.Ok()) p = new Probe(c);
        return p;
    }
};

char LabelOf(const BasePtr& p) { return p.Ok() ? static_cast<char>(ProbePtr(p)->label) : '-'; }

std::string Render(BasePtrLst& l) {
    std::string out;
    BasePtrLstIter it(l);
    for (it.First(); !it.Eol(); it.Next()) out += LabelOf(it.GetCurrent());
    return out;
}

// Count, contents, and both ends: an element appended must come out last and
// one inserted must come out first, whatever the operations did to the links.
void ExpectShape(BasePtrLst& l, const std::string& expect) {
    EXPECT_EQ(Render(l), expect);
    EXPECT_EQ(l.GetItemCnt(), static_cast<int>(expect.size()));
    EXPECT_EQ(LabelOf(l.GetLast()), expect.empty() ? '-' : expect.back());
    BasePtr z(new Probe('Z')), y(new Probe('Y'));
    l.Append(z);
    l.Insert(y);
    EXPECT_EQ(Render(l), "Y" + expect + "Z");
    EXPECT_EQ(l.RemoveItem(z), 1);
    EXPECT_EQ(l.RemoveItem(y), 1);
    l.Append(z);  // last must have moved back correctly
    EXPECT_EQ(Render(l), expect + "Z");
    EXPECT_EQ(l.RemoveItem(z), 1);
    EXPECT_EQ(l.GetItemCnt(), static_cast<int>(expect.size()));
}

struct Case {
    const char* name;
    const char* initial;
    // Runs the operation; returns a short record of its results.
    std::function<std::string(BasePtrLst&, Objects&)> op;
    const char* expectList;
    const char* expectResult;
};

std::string Res(int rc, const BasePtr& out) { return std::to_string(rc) + LabelOf(out); }

const Case kCases[] = {
    {"append to empty", "", [](BasePtrLst& l, Objects& o) { l.Append(o['x']); return std::string(); }, "x", ""},
    {"insert into empty", "", [](BasePtrLst& l, Objects& o) { l.Insert(o['x']); return std::string(); }, "x", ""},
    {"insert at front", "abc", [](BasePtrLst& l, Objects& o) { l.Insert(o['x']); return std::string(); }, "xabc", ""},
    {"insert at 0", "abc", [](BasePtrLst& l, Objects& o) { l.Insert(o['x'], 0); return std::string(); }, "xabc", ""},
    {"insert at 2", "abc", [](BasePtrLst& l, Objects& o) { l.Insert(o['x'], 2); return std::string(); }, "abxc", ""},
    {"insert at last position", "abc", [](BasePtrLst& l, Objects& o) { l.Insert(o['x'], 2); l.Append(o['y']); return std::string(); }, "abxcy", ""},
    {"append after 0", "abc", [](BasePtrLst& l, Objects& o) { l.Append(o['x'], 0); return std::string(); }, "axbc", ""},
    {"append after last", "abc", [](BasePtrLst& l, Objects& o) { l.Append(o['x'], 2); return std::string(); }, "abcx", ""},
    {"append after only", "a", [](BasePtrLst& l, Objects& o) { l.Append(o['x'], 0); l.Append(o['y']); return std::string(); }, "axy", ""},
    {"remove is fifo", "abc", [](BasePtrLst& l, Objects&) { BasePtr out; int rc = l.Remove(out); return Res(rc, out); }, "bc", "1a"},
    {"remove the only", "a", [](BasePtrLst& l, Objects&) { BasePtr out; int rc = l.Remove(out); return Res(rc, out); }, "", "1a"},
    {"remove from empty leaves out", "", [](BasePtrLst& l, Objects& o) { BasePtr out = o['q']; int rc = l.Remove(out); return Res(rc, out); }, "", "0q"},
    {"remove until empty then append", "ab", [](BasePtrLst& l, Objects& o) { BasePtr out; l.Remove(out); l.Remove(out); l.Append(o['x']); return Res(l.Remove(out), out); }, "", "1x"},
    {"remove item first occurrence", "abab", [](BasePtrLst& l, Objects& o) { return std::to_string(l.RemoveItem(o['a'])); }, "bab", "1"},
    {"remove item last", "abc", [](BasePtrLst& l, Objects& o) { return std::to_string(l.RemoveItem(o['c'])); }, "ab", "1"},
    {"remove item only", "a", [](BasePtrLst& l, Objects& o) { return std::to_string(l.RemoveItem(o['a'])); }, "", "1"},
    {"remove item absent", "abc", [](BasePtrLst& l, Objects& o) { return std::to_string(l.RemoveItem(o['x'])); }, "abc", "0"},
    {"remove item null", "abc", [](BasePtrLst& l, Objects&) { return std::to_string(l.RemoveItem(BasePtr())); }, "abc", "0"},
    {"remove item by identity", "abc", [](BasePtrLst& l, Objects&) { BasePtr twin(new Probe('b')); return std::to_string(l.RemoveItem(twin)); }, "abc", "0"},
    {"iterate: delete every b", "abbcb", [](BasePtrLst& l, Objects&) {
         BasePtrLstIter it(l);
         std::string idx;
         for (it.First(); !it.Eol();) {
             if (LabelOf(it.GetCurrent()) == 'b') {
                 it.DeleteCurrentItem();  // stands on the next one, same index
                 idx += std::to_string(it.GetIndex());
             } else {
                 it.Next();
             }
         }
         return idx;
     }, "ac", "112"},
    {"iterate: delete the last", "abc", [](BasePtrLst& l, Objects&) {
         BasePtrLstIter it(l);
         it.First(); it.Next(); it.Next();
         it.DeleteCurrentItem();
         return std::to_string(it.Eol()) + LabelOf(it.GetCurrent());
     }, "ab", "1-"},
    {"iterate: delete the first", "abc", [](BasePtrLst& l, Objects&) {
         BasePtrLstIter it(l);
         it.DeleteCurrentItem();
         return std::string(1, LabelOf(it.GetCurrent())) + std::to_string(it.GetIndex());
     }, "bc", "b0"},
    {"iterate: delete all", "abc", [](BasePtrLst& l, Objects&) {
         BasePtrLstIter it(l);
         while (!it.Eol()) it.DeleteCurrentItem();
         it.DeleteCurrentItem();  // at the end: nothing
         return std::to_string(l.GetItemCnt());
     }, "", "0"},
    {"iterate: next at the end stays", "ab", [](BasePtrLst& l, Objects&) {
         BasePtrLstIter it(l);
         std::string r(1, LabelOf(it.Next()));
         r += LabelOf(it.Next());
         r += LabelOf(it.Next());
         return r + std::to_string(it.GetIndex()) + std::to_string(it.Eol());
     }, "ab", "b--21"},
    {"iterate: first goes back", "ab", [](BasePtrLst& l, Objects&) {
         BasePtrLstIter it(l);
         it.Next(); it.Next();
         std::string r(1, LabelOf(it.First()));
         return r + std::to_string(it.GetIndex());
     }, "ab", "a0"},
    {"iterate: empty list", "", [](BasePtrLst& l, Objects&) {
         BasePtrLstIter it(l);
         return std::string(1, LabelOf(it.First())) + LabelOf(it.Next()) + std::to_string(it.Eol());
     }, "", "--1"},
    {"iterate: insert at the end appends", "ab", [](BasePtrLst& l, Objects& o) {
         BasePtrLstIter it(l);
         it.Next(); it.Next();
         it.Insert(o['x']);
         return std::string(1, LabelOf(it.GetCurrent())) + std::to_string(it.GetIndex());
     }, "abx", "x2"},
    {"iterate: insert into empty", "", [](BasePtrLst& l, Objects& o) {
         BasePtrLstIter it(l);
         it.Insert(o['x']);
         return std::string(1, LabelOf(it.GetCurrent()));
     }, "x", "x"},
    {"iterate: insert in the middle", "abc", [](BasePtrLst& l, Objects& o) {
         BasePtrLstIter it(l);
         it.Next();
         it.Insert(o['x']);
         std::string r(1, LabelOf(it.GetCurrent()));
         return r + LabelOf(it.Next());
     }, "axbc", "xb"},
    {"iterate: delete then insert at the same place", "abc", [](BasePtrLst& l, Objects& o) {
         BasePtrLstIter it(l);
         it.Next(); it.Next();
         it.DeleteCurrentItem();
         it.Insert(o['x']);
         return std::string(1, LabelOf(it.GetCurrent()));
     }, "abx", "x"},
};

}  // namespace

TEST(BasePtrLst, OperationTable) {
    const int baseline = Probe::Live();
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        {
            Objects objects;
            BasePtrLst l;
            for (const char* p = c.initial; *p; ++p) l.Append(objects[*p]);
            EXPECT_EQ(c.op(l, objects), c.expectResult);
            ExpectShape(l, c.expectList);
        }
        EXPECT_EQ(Probe::Live(), baseline) << "every element released";
    }
}

TEST(BasePtrLst, ElementsLiveAsLongAsTheListHoldsThem) {
    const int baseline = Probe::Live();
    BasePtrLst l;
    l.Append(BasePtr(new Probe('a')));  // the list's reference is the only one
    EXPECT_EQ(Probe::Live(), baseline + 1);
    BasePtr out;
    EXPECT_EQ(l.Remove(out), 1);
    EXPECT_EQ(out->GetRefCnt(), 1);
    out = BasePtr();
    EXPECT_EQ(Probe::Live(), baseline);
}

TEST(BasePtrLst, DestructionReleasesFromLastToFirst) {
    std::string log;
    Probe::destroyLog = &log;
    {
        BasePtrLst l;
        for (char c : std::string("abcd")) l.Append(BasePtr(new Probe(c)));
    }
    Probe::destroyLog = nullptr;
    EXPECT_EQ(log, "dcba");
}

TEST(BasePtrLst, CopyHoldsTheSameObjectsCounted) {
    const int baseline = Probe::Live();
    BasePtr a(new Probe('a')), b(new Probe('b'));
    BasePtrLst l;
    l.Append(a);
    l.Append(b);
    {
        BasePtrLst copy(l);
        EXPECT_EQ(Render(copy), "ab");
        EXPECT_EQ(a->GetRefCnt(), 3);
        BasePtrLst assigned;
        assigned.Append(BasePtr(new Probe('x')));
        assigned = l;
        assigned = assigned;
        EXPECT_EQ(Render(assigned), "ab");
        EXPECT_EQ(a->GetRefCnt(), 4);
    }
    EXPECT_EQ(a->GetRefCnt(), 2);
    a = b = BasePtr();
    l = BasePtrLst();
    EXPECT_EQ(Probe::Live(), baseline);
}

// An element whose destructor reaches back into the list being destroyed
// finds it already empty.
TEST(BasePtrLst, ElementDestructorSeesTheDyingListEmpty) {
    auto* l = new BasePtrLst;
    l->Append(BasePtr(new Probe('a')));
    l->Append(BasePtr(new Probe('b')));
    int seenCount = -1;
    Probe::OnDestroy() = [&](Probe*) { seenCount = l->GetItemCnt(); };
    delete l;
    EXPECT_EQ(seenCount, 0);
}

TEST(BasePtrLst, MillionElementsAreReleasedWithoutDeepRecursion) {
    const int baseline = Probe::Live();
    {
        BasePtrLst l;
        for (int i = 0; i < 1000000; ++i) l.Append(BasePtr(new Probe(i)));
        EXPECT_EQ(l.GetItemCnt(), 1000000);
        EXPECT_EQ(Probe::Live(), baseline + 1000000);
    }
    EXPECT_EQ(Probe::Live(), baseline);
    // A single cell destroyed on its own takes its whole chain with it.
    {
        BasePtr one(new Probe(1));
        auto* head = new BasePtrLstCons(one);
        BasePtrLstCons* tail = head;
        for (int i = 0; i < 1000000; ++i) tail = tail->next = new BasePtrLstCons(one);
        EXPECT_EQ(one->GetRefCnt(), 1000002);
        delete head;
        EXPECT_EQ(one->GetRefCnt(), 1);
    }
}

TEST(BasePtrLst, TypedCompanionsGiveTypedElements) {
    ProbeLst l;
    l.Append(ProbePtr(new Probe('a')));
    l.Append(BasePtr(new Cat()));  // a list holds anything; the type test tells
    ProbeLstIter it(l);
    ProbePtr first = it.First();
    EXPECT_EQ(first.Ok(), 1);
    EXPECT_EQ(first->label, 'a');
    ProbePtr second = it.Next();
    EXPECT_EQ(second.Ok(), 0);
    EXPECT_NE(second.GetRefPtr(), nullptr);
    EXPECT_EQ(it.GetCurrent().GetRefPtr(), second.GetRefPtr());
    EXPECT_EQ(it.Next().GetRefPtr(), nullptr);
    ProbeLst copy(l);
    EXPECT_EQ(copy.GetItemCnt(), 2);
}

TEST(BasePtrLstDeathTest, PositionOutsideTheListStopsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const char* expect = "Assertion failed: pos>=0 && pos<itemCnt, file BasePtrLst";
    EXPECT_DEATH({ BasePtrLst l; l.Insert(BasePtr(), 0); }, expect);
    EXPECT_DEATH({ BasePtrLst l; l.Append(BasePtr()); l.Append(BasePtr(), 1); }, expect);
    EXPECT_DEATH({ BasePtrLst l; l.Append(BasePtr()); l.Insert(BasePtr(), -1); }, expect);
}
