// The cache-update frame, the stamps it carries and the stamp rule, on a
// private segment in plain memory; and the record faults every table's
// updateCache finds before it touches the database.
#include "CacheUpdateFrame.h"
#include "DbMgr.h"
#include "QdbDbTime.h"
#include "ShmMgr.h"
#include "flg.h"
#include "qdberr.h"
#include "qdbpaths.h"
#include "systems.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::string Shown(std::string s) {
    for (char& c : s)
        if (c == '\x01') c = '|';
    return s;
}

TEST(DbTimeText, ReadBackAndDescribed) {
    QdbDbTime t{0, 0};
    const char two[] = "1f\x01" "2\x01rest";
    EXPECT_EQ(t.rebuildFrom(two), two + 5);
    EXPECT_EQ(t, (QdbDbTime{31, 2}));
    EXPECT_EQ(t.rebuildFrom("1f"), nullptr);
    EXPECT_EQ(t, (QdbDbTime{31, 0}));
    t = QdbDbTime{5, 5};
    EXPECT_EQ(t.rebuildFrom(nullptr), nullptr);
    EXPECT_EQ(t, (QdbDbTime{0, 0}));

    t = QdbDbTime{0x5f5e1000, 3};
    EXPECT_EQ(Shown(static_cast<const char*>(t)), "5f5e1000|3");
    const std::string d = t.desc();
    EXPECT_EQ(d.size(), 24 + 1 + std::strlen(" Collisions in TimeStamp: 3."));
    EXPECT_EQ(d.substr(24), ". Collisions in TimeStamp: 3.");
}

TEST(DbTimeText, StrictReadingRefusesWhatIsNotTwoHexNumbers) {
    struct Case {
        const char* text;
        bool ok;
    };
    for (Case c : {Case{"1f\x01" "2\x01", true}, Case{"FFFFFFFF\x01" "0\x01", true}, Case{"1f\x01" "2", false},
                   Case{"\x01" "2\x01", false}, Case{"1f\x01\x01", false}, Case{"1g\x01" "2\x01", false},
                   Case{"100000000\x01" "0\x01", false}, Case{"-1\x01" "0\x01", false}}) {
        QdbDbTime t{7, 7};
        SCOPED_TRACE(Shown(c.text));
        EXPECT_EQ(t.parseStrict(c.text) != nullptr, c.ok);
        if (!c.ok) {
            EXPECT_EQ(t, (QdbDbTime{7, 7}));
        }
    }
}

TEST(DbTimeText, NextStampCountsCollisionsWithinOneSecond) {
    const QdbDbTime t{100, 4};
    EXPECT_EQ(t.next(100), (QdbDbTime{100, 5}));
    EXPECT_EQ(t.next(101), (QdbDbTime{101, 4}));
}

class FrameOnPrivateSegment : public ::testing::Test {
protected:
    void SetUp() override {
        oldName_ = pQdb_uname;
        pQdb_uname = const_cast<char*>("NODE1");
        mem_.assign(200000, 0);
        ASSERT_EQ(ShmMgr::initSegment(mem_.data(), static_cast<std::uint32_t>(mem_.size()), "NODE1"), 0);
        copy_ = DbMgr::create("NODE2", 4);
        ASSERT_NE(copy_, nullptr);
    }
    void TearDown() override {
        pShmPtr = nullptr;
        pQdb_shgp = nullptr;
        pQdb_uname = oldName_;
        qdberrclr();
    }
    std::vector<char> mem_;
    char* oldName_ = nullptr;
    DbMgr* copy_ = nullptr;
};

TEST_F(FrameOnPrivateSegment, TwoChangesInOneSecondDifferInTheCounter) {
    DbMgr* db = ShmMgr::findDbMgr(nullptr, 0);
    db->tStamp = QdbDbTime{0x100, 0};
    const std::string first = CacheUpdateFrame::Build(db, 'H', "a", "flagname", nullptr, 0x200);
    const std::string second = CacheUpdateFrame::Build(db, 'H', "c", "flagname", nullptr, 0x200);
    const std::string third = CacheUpdateFrame::Build(db, 'A', "f", "NODE2", "Aup", 0x201);
    EXPECT_EQ(Shown(first), "HjaNODE1|100|0|200|0|flagname");
    EXPECT_EQ(Shown(second), "HjcNODE1|200|0|200|1|flagname");
    EXPECT_EQ(Shown(third), "AjfNODE1|200|1|201|1|NODE2|Aup");
    EXPECT_EQ(db->tStamp, (QdbDbTime{0x201, 1}));

    // What one side writes the other reads back.
    std::string text = third.substr(2);
    CacheUpdateFrame::Record r;
    ASSERT_EQ(CacheUpdateFrame::Parse(text.data(), "acf", &r), 0);
    EXPECT_EQ(r.command, 'f');
    EXPECT_STREQ(r.dbName, "NODE1");
    EXPECT_EQ(r.before, (QdbDbTime{0x200, 1}));
    EXPECT_EQ(r.after, (QdbDbTime{0x201, 1}));
    EXPECT_EQ(Shown(r.rest), "NODE2|Aup");
}

TEST_F(FrameOnPrivateSegment, StampRule) {
    struct Case {
        const char* what;
        QdbDbTime copy, before, after, result;
        int rc;
    };
    const Case cases[] = {
        {"follows", {10, 0}, {10, 0}, {10, 1}, {10, 1}, 0},
        {"missed one", {10, 0}, {10, 1}, {11, 0}, {0, 0}, -1},
        {"older record", {12, 0}, {10, 0}, {11, 0}, {0, 0}, -1},
        {"zero stays zero", {0, 0}, {0, 0}, {10, 0}, {0, 0}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        copy_->tStamp = c.copy;
        EXPECT_EQ(copy_->applyStamp(c.before, c.after), c.rc);
        EXPECT_EQ(copy_->tStamp, c.result);
    }
}

// Faults found before the database is looked at: no lock, no segment needed.
TEST(CacheUpdateFaults, EachTablesParseFaults) {
    struct Case {
        const char* record;
        int flags, systems;
    };
    const Case cases[] = {
        {"", -1, -1},
        {"x", -2, -2},
        {"f", -2, -3},  // flags have no field change
        {"a", -3, -3},
        {"aNODE2", -4, -4},
        {"aNODE2\x01" "zz\x01" "0\x01" "1\x01" "0\x01" "n", -5, -5},
        {"aNODE2\x01" "1\x01" "0\x01" "1\x01" "n", -6, -6},
        {"aNODE2\x01" "1\x01" "0\x01" "1\x01" "1\x01", -7, -12},  // no name / no copy named NODE2
        {"fNODE2\x01" "1\x01" "0\x01" "1\x01" "1\x01" "sysname", -2, -7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Shown(c.record));
        std::string a = c.record, b = c.record;
        if (c.flags != -10) {
            EXPECT_EQ(flg::updateCache(a.data()), c.flags);
        }
        if (c.systems != -12) {
            EXPECT_EQ(systems::updateCache(b.data()), c.systems);
        }
    }
    EXPECT_EQ(flg::updateCache(nullptr), -1);
    EXPECT_EQ(systems::updateCache(nullptr), -1);
}

}  // namespace
