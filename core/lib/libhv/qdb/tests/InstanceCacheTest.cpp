// The instance table's cache-update records applied to another system's
// copy: their parse faults and apply results, the stamp rule, and the copy
// kept sound when a removed instance is still named by dependency records.
#include "AutoQdbLock.h"
#include "DbMgr.h"
#include "InstanceSeams.h"
#include "OneSystemFixture.h"
#include "ShmList.h"
#include "ShmMgr.h"
#include "hvresource.h"
#include "qdberr.h"
#include "resource_type.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using qdbfixture::OneSystemTest;

DbMgr* Copy() {
    AUTO_QDB_LOCK(lk);
    lk.lock(-1);
    return ShmMgr::findDbMgr("NODE2", 0);
}

// A record for NODE2's copy after its 'E' and 'j': command and field
// letters, then the frame with the stamps {0x64, n} -> {0x64, n + 1}.
std::string Rec(const std::string& letters, int n, const std::string& rest) {
    char stamps[64];
    std::snprintf(stamps, sizeof stamps, "64\x01%x\x01" "64\x01%x\x01", n, n + 1);
    return letters + "NODE2\x01" + stamps + rest;
}

int Apply(std::string rec) { return hvresource::updateCache(rec.data()); }

std::string Describe(const char* tag) {
    AUTO_QDB_LOCK(lk);
    lk.lock(-1);
    hvresource* r = hvresource::findres(Copy(), tag, nullptr);
    if (r == nullptr) return "none";
    return std::string(r->id()) + "|" + r->info() + "|" + static_cast<char>(r->get_inittype()) +
           static_cast<char>(r->get_state()) + "|[" + r->get_statedescr() + "]";
}

// NODE2's copy at the stamp {0x64, 0}, with the type web/ip.
void PrepareCopy() {
    {
        AUTO_QDB_LOCK(lk);
        lk.lock(-1);
        Copy()->tStamp = QdbDbTime{0x64, 0};
    }
    std::string typ = std::string("aNODE2\x01") + "64\x01" "0\x01" "64\x01" "0\x01" "web\x01" "ip";
    resource_type::updateCache(typ.data());
}

class InstanceCache : public OneSystemTest {
protected:
    void BeforeDaemon() override { RootFile("config/systems", "NODE1\x01" "A\x01\nNODE2\x01" "D\x01\n"); }
};

TEST_F(InstanceCache, RecordsAreParsedAndAppliedWithTheirCodes) {
    const std::string note = Client([] {
        PrepareCopy();
        const struct {
            std::string rec;
            int result;
        } cases[] = {
            {"", -11},
            {"x", -11},
            {"fX" + Rec("", 0, "t\x01" "v"), -11},
            {"f", -11},
            {"a", -2},
            {"aNODE2", -4},
            {"aNODE2\x01" "64\x01" "0\x01" "64", -4},
            {Rec("a", 0, ""), -3},
            {Rec("a", 0, "t1"), -8},
            {Rec("a", 0, "t1\x01" "id1"), -5},
            {Rec("a", 0, "t1\x01" "id1\x01" "I"), -9},
            {Rec("a", 0, "t1\x01" "id1\x01" "Iweb"), -10},
            {Rec("a", 0, "t1\x01" "id1\x01" "Iweb\x01" "ip"), -7},
            {Rec("a", 0, "t1\x01" "id1\x01" "Iweb\x01" "ip\x01" "two\nlines"), -7},
            {Rec("a", 0, "t1\x01" "id\x02" "1\x01" "Iweb\x01" "ip\x01" "info"), -8},
            {Rec("fs", 0, "t1"), -6},
            {Rec("fs", 0, "t1\x01"), -6},
            {Rec("fs", 0, "t1\x01" "ubad\nreason"), -6},
            {Rec("fi", 0, "t1\x01"), -5},
            {Rec("fI", 0, "t1\x01"), -8},
            {Rec("ff", 0, "t1"), -7},
            {std::string("aNODE9\x01") + "64\x01" "0\x01" "64\x01" "1\x01" "t1\x01" "id1\x01" "Iweb\x01" "ip\x01", -2},
            {std::string("aNODE1\x01") + "64\x01" "0\x01" "64\x01" "1\x01" "t1\x01" "id1\x01" "Iweb\x01" "ip\x01", -2},
            // Applied, the stamps following one another.
            {Rec("a", 0, "t1\x01" "id1\x01" "Iweb\x01" "ip\x01" "first"), 0},
            {Rec("a", 1, "t1\x01" "other\x01" "Iweb\x01" "ip\x01"), 13},
            {Rec("a", 2, "t2\x01" "id1\x01" "Iweb\x01" "ip\x01"), 13},
            {Rec("a", 3, "t2\x01" "id2\x01" "Iweb\x01" "nosuch\x01"), -14},
            {Rec("fI", 4, "t1\x01" "id9"), 0},
            {Rec("ff", 5, "t1\x01" "second"), 0},
            {Rec("fi", 6, "t1\x01" "T"), 0},
            {Rec("fs", 7, "t1\x01" "iup"), 0},
            {Rec("fs", 8, "t1\x01" "p"), 0},
            {Rec("fs", 9, "t9\x01" "p"), -12},
            {Rec("c", 10, "t9"), -12},
        };
        std::string out;
        for (const auto& c : cases) {
            const int got = Apply(c.rec);
            if (got != c.result) {
                std::string shown = c.rec;
                for (char& ch : shown)
                    if (static_cast<unsigned char>(ch) < 32) ch = '|';
                out += "[" + shown + "]=" + std::to_string(got) + " ";
            }
        }
        // The state record with an empty reason leaves an empty description;
        // the misses still moved the stamp.
        out += Describe("t1") + "," + std::to_string(Qdb_errno) + ",";
        AUTO_QDB_LOCK(lk);
        lk.lock(-1);
        out += std::to_string(Copy()->tStamp.secs) + "/" + std::to_string(Copy()->tStamp.coll);
        return out;
    });
    EXPECT_EQ(note, "id9|second|Tp|[],0,100/11");
}

// Every byte as the letter of a state, an init and a create record: only
// the defined letters are applied; any other is refused before it touches
// the copy or its stamp.
TEST_F(InstanceCache, OnlyTheDefinedStateAndInitLettersAreApplied) {
    const std::string note = Client([] {
        PrepareCopy();
        std::string out;
        int n = 0;
        if (Apply(Rec("a", n++, "t1\x01" "id1\x01" "Iweb\x01" "ip\x01")) != 0) return std::string("no create");
        const std::string states = "ufip", inits = "ETAIs";
        for (int c = 1; c < 256; ++c) {
            const std::string letter(1, static_cast<char>(c));
            const bool state = states.find(letter) != std::string::npos;
            const bool init = inits.find(letter) != std::string::npos;
            const int s = Apply(Rec("fs", n, "t1\x01" + letter + "why"));
            if (s == 0) ++n;
            const int i = Apply(Rec("fi", n, "t1\x01" + letter));
            if (i == 0) ++n;
            const int a = Apply(Rec("a", n, "n" + std::to_string(c) + "\x01" "nid" + std::to_string(c) + "\x01" + letter +
                                                "web\x01" "ip\x01"));
            if (a == 0) ++n;
            if (s != (state ? 0 : -6) || i != (init ? 0 : -5) || a != (init ? 0 : -5))
                out += std::to_string(c) + ":" + std::to_string(s) + "," + std::to_string(i) + "," + std::to_string(a) + " ";
        }
        AUTO_QDB_LOCK(lk);
        lk.lock(-1);
        hvresource* r = hvresource::findres(Copy(), "t1", nullptr);
        out += std::string(1, static_cast<char>(r->get_inittype())) + static_cast<char>(r->get_state()) + ",";
        out += std::to_string(hvresource::listed(Copy()).size()) + "," + std::to_string(Copy()->tStamp.coll == n);
        return out;
    });
    EXPECT_EQ(note, "su,6,1");
}

TEST_F(InstanceCache, AMissedRecordLeavesTheCopyStaleAndARemovalFollows) {
    const std::string note = Client([] {
        PrepareCopy();
        std::string out;
        out += std::to_string(Apply(Rec("a", 0, "t1\x01" "id1\x01" "sweb\x01" "ip\x01"))) + ",";
        out += std::to_string(Apply(Rec("c", 1, "t1")));
        out += Describe("t1") + ",";
        // A record after a gap: -12, and the stamp is zeroed.
        out += std::to_string(Apply(Rec("fs", 5, "t1\x01" "u"))) + ",";
        AUTO_QDB_LOCK(lk);
        lk.lock(-1);
        out += std::to_string(Copy()->tStamp.valid());
        return out;
    });
    EXPECT_EQ(note, "0,0none,-12,0");
}

// Dependency records as the dependency table lays them: a node of the upper
// instance's dependency list whose body names the lower instance.
hvresource* LowerIsTheBody(ShmOff body) {
    auto* r = QdbPages().at<hvresource>(body);
    return r != nullptr && r->h.tag == RESOURCE ? r : nullptr;
}

TEST_F(InstanceCache, ARemovalOfAnInstanceInAHierarchyMarksTheCopyForReloading) {
    const std::string note = Client([] {
        cfgstore::InstanceSeams s{};
        s.dependencyLower = LowerIsTheBody;
        cfgstore::SetInstanceSeams(s);
        PrepareCopy();
        std::string out;
        out += std::to_string(Apply(Rec("a", 0, "top\x01" "i1\x01" "sweb\x01" "ip\x01")));
        out += std::to_string(Apply(Rec("a", 1, "low\x01" "i2\x01" "sweb\x01" "ip\x01")));
        out += std::to_string(Apply(Rec("a", 2, "alone\x01" "i3\x01" "sweb\x01" "ip\x01"))) + ",";
        {
            AUTO_QDB_LOCK(lk);
            lk.lock(-1);
            DbMgr* db = Copy();
            hvresource* top = hvresource::findres(db, "top", nullptr);
            hvresource* low = hvresource::findres(db, "low", nullptr);
            ShmList::create(db, "low", low)->insert(&top->depsOff);
        }
        // The lower instance stays, and the copy will be reloaded.
        out += std::to_string(Apply(Rec("c", 3, "low")));
        out += Describe("low") + ",";
        {
            AUTO_QDB_LOCK(lk);
            lk.lock(-1);
            out += std::to_string(Copy()->tStamp.valid()) + ",";
            Copy()->tStamp = QdbDbTime{0x64, 4};
        }
        out += std::to_string(Apply(Rec("c", 4, "top")));
        out += Describe("top") + ",";
        // An instance outside every hierarchy goes.
        {
            AUTO_QDB_LOCK(lk);
            lk.lock(-1);
            Copy()->tStamp = QdbDbTime{0x64, 5};
        }
        out += std::to_string(Apply(Rec("c", 5, "alone")));
        out += Describe("alone");
        AUTO_QDB_LOCK(lk);
        lk.lock(-1);
        out += "," + std::to_string(Copy()->tStamp.coll) + "," + std::to_string(hvresource::listed(Copy()).size());
        return out;
    });
    EXPECT_EQ(note, "000,0i2||su|[],0,0i1||su|[],0none,6,2");
}

}  // namespace
