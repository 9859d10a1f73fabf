// Pointer arrays: sizing, ReSize in every direction, release order, bounds.
#include <gtest/gtest.h>

#include <string>

#include "BasePtrAry.h"
#include "CoreTestClasses.h"

namespace {

std::string Render(BasePtrAry& a) {
    std::string out;
    for (int i = 0; i < a.GetItemCnt(); ++i) out += a[i].Ok() ? static_cast<char>(ProbePtr(a[i])->label) : '-';
    return out;
}

void Fill(BasePtrAry& a, const std::string& labels) {
    a.ReSize(static_cast<int>(labels.size()));
    for (size_t i = 0; i < labels.size(); ++i) a[static_cast<int>(i)] = new Probe(labels[i]);
}

}  // namespace

TEST(BasePtrAry, ReSizeKeepsTheFrontAndReleasesTheRestLastFirst) {
    struct Case {
        const char* initial;
        int newSize;
        const char* expect;
        const char* released;
    };
    const Case cases[] = {
        {"abc", 5, "abc--", ""}, {"abc", 1, "a", "cb"}, {"abc", 0, "", "cba"},
        {"abc", 3, "abc", ""},   {"", 2, "--", ""},     {"", 0, "", ""},
    };
    const int baseline = Probe::Live();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.initial) + " -> " + std::to_string(c.newSize));
        std::string log;
        {
            BasePtrAry a;
            Fill(a, c.initial);
            Probe::destroyLog = &log;
            a.ReSize(c.newSize);
            Probe::destroyLog = nullptr;
            EXPECT_EQ(log, c.released);
            EXPECT_EQ(a.GetItemCnt(), c.newSize);
            EXPECT_EQ(Render(a), c.expect);
            for (int i = 0; i < a.GetItemCnt(); ++i) {
                if (a[i].Ok()) {
                    EXPECT_EQ(a[i]->GetRefCnt(), 1) << "kept elements counted once";
                }
            }
            // An emptied array can be sized again and destroyed.
            a.ReSize(0);
            a.ReSize(2);
            a[1] = new Probe('z');
            EXPECT_EQ(Render(a), "-z");
        }
        EXPECT_EQ(Probe::Live(), baseline);
    }
}

// Growing one element at a time (a stream's packets) reuses spare slots; the
// slots behind the elements are always empty, whatever was there before.
TEST(BasePtrAry, GrowingOneByOneKeepsElementsAndCountsAndLeavesNewSlotsEmpty) {
    const int before = Probe::Live();
    {
        BasePtrAry a;
        for (int i = 0; i < 1000; ++i) {
            a.ReSize(i + 1);
            EXPECT_FALSE(a[i].Ok());
            a[i] = new Probe(i);
        }
        EXPECT_EQ(Probe::Live(), before + 1000);
        for (int i = 0; i < 1000; ++i) {
            ASSERT_EQ(ProbePtr(a[i])->label, i);
            ASSERT_EQ(a[i]->GetRefCnt(), 1);
        }
        a.ReSize(10);
        EXPECT_EQ(Probe::Live(), before + 10);
        a.ReSize(20);
        for (int i = 10; i < 20; ++i) EXPECT_FALSE(a[i].Ok()) << i;
        EXPECT_EQ(ProbePtr(a[9])->label, 9);
    }
    EXPECT_EQ(Probe::Live(), before);
}

TEST(BasePtrAry, DestructionReleasesFromLastToFirst) {
    std::string log;
    {
        BasePtrAry a(4);
        EXPECT_EQ(Render(a), "----");
        for (int i = 0; i < 4; ++i) a[i] = new Probe('a' + i);
        Probe::destroyLog = &log;
    }
    Probe::destroyLog = nullptr;
    EXPECT_EQ(log, "dcba");
}

TEST(BasePtrAry, CopyAndTypedCompanion) {
    const int baseline = Probe::Live();
    {
        ProbeAry a(2);
        a[0] = ProbePtr(new Probe('a'));
        a[1] = BasePtr(new Cat());
        EXPECT_EQ(a[0]->label, 'a');
        EXPECT_EQ(a[0].Ok(), 1);
        EXPECT_EQ(a[1].Ok(), 0);
        ProbeAry b(a);
        EXPECT_EQ(a[0]->GetRefCnt(), 2);
        ProbeAry c;
        c = b;
        c = c;
        EXPECT_EQ(c.GetItemCnt(), 2);
        EXPECT_EQ(a[0]->GetRefCnt(), 3);
        BaseVirtItemAry roots(1);
        roots[0] = a[1];
        EXPECT_EQ(roots[0]->GetTypeId(), Cat::ClassCode);
    }
    EXPECT_EQ(Probe::Live(), baseline);
}

TEST(BasePtrAry, MillionElementsAreReleased) {
    const int baseline = Probe::Live();
    {
        BasePtrAry a(1000000);
        for (int i = 0; i < a.GetItemCnt(); ++i) a[i] = new Probe(i);
        EXPECT_EQ(Probe::Live(), baseline + 1000000);
    }
    EXPECT_EQ(Probe::Live(), baseline);
}

TEST(BasePtrAryDeathTest, IndexOutsideTheStorageStopsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const char* expect = "Assertion failed: itemPtr!=0 && idx>=0 && idx<itemCnt, file BasePtrAry";
    EXPECT_DEATH({ BasePtrAry a; a[0]; }, expect);
    EXPECT_DEATH({ BasePtrAry a(2); a[2]; }, expect);
    EXPECT_DEATH({ BasePtrAry a(2); a[-1]; }, expect);
    EXPECT_DEATH({ BasePtrAry a(2); a.ReSize(-1); }, "n >= 0");
}
