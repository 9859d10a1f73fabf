// The dependency table on one system: hierarchies loaded from the instance
// lines, loops and duplicates refused, the instance list holding exactly
// the roots, removal, the four listings and the 5,000-entry bound.
#include "DbIter.h"
#include "HierarchyFixture.h"
#include "CachedDb.h"
#include "dependency.h"
#include "qdbmes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace hierarchytest;

// typ1: R on M1 and M2, M1 on L, X on M1, and P and Q alone; typ2: M2 on L.
class DependencyTable : public HierarchyTest {
protected:
    std::string TypeOne() override {
        return Line("R", {"M1", "M2"}) + Line("M1", {"L"}) + Line("X", {"M1"}) + Line("P") + Line("Q");
    }
    std::string TypeTwo() override { return Line("M2", {"L"}) + Line("L"); }
};

std::string List(const char* tag, int which, const char* app = nullptr, const char* typ = nullptr, char sep = 0) {
    char** l = dep_list(nullptr, tag, which, app, typ, sep);
    std::string out = l ? Joined(l) : "null/" + std::to_string(Qdb_errno);
    qdberrclr();
    return out;
}

// "rc/code,removed pairs,roots;" of one dep_remove.
std::string Removal(const char* parent, const char* child, char* removed) {
    const std::string rc = qdbfixture::ResultAndErrno(dep_remove(nullptr, parent, child, removed));
    return rc + "," + Shown(removed) + "," + Roots() + ";";
}

// Everything the hierarchies show: the roots and what lies below each.
std::string Snapshot() {
    std::string out = Roots() + ";";
    for (const char* t : {"P", "Q", "R", "X", "L"}) out += List(t, 2) + ";";
    return out;
}

TEST_F(DependencyTable, TheFourListingsFollowTheLoadedHierarchy) {
    const std::string note = Client([] {
        std::vector<std::string> out{Roots()};
        out.push_back(List("L", 0));
        out.push_back(List("R", 1));
        out.push_back(List("R", 2));
        out.push_back(List("L", 3));
        // The far instance is filtered: parents for 0 and 3, children for 1 and 2.
        out.push_back(List("L", 0, "app1", "typ1"));
        out.push_back(List("R", 2, nullptr, "typ2"));
        out.push_back(List("L", 3, "app2"));
        out.push_back(List("R", 1, nullptr, nullptr, '/'));
        // Errors: no tag, nothing there, no such kind, no such system.
        out.push_back(List(nullptr, 0));
        out.push_back(List("", 1));
        out.push_back(List("P", 1));
        out.push_back(List("R", 4));
        char** none = dep_list("NOSUCH", "R", 1, nullptr, nullptr, 0);
        out.push_back(std::to_string(none == nullptr) + "/" + std::to_string(Qdb_errno));
        std::string joined;
        for (const std::string& s : out) joined += s + "\n";
        return joined;
    });
    EXPECT_EQ(note,
              "P,Q,R,X\n"
              "M1|L,M2|L\n"
              "R|M1,R|M2\n"
              "R|M1,M1|L,R|M2,M2|L\n"
              "R|M1,R|M2,M1|L,M2|L,X|M1\n"
              "M1|L\n"
              "M1|L,R|M2,M2|L\n"
              "null/7\n"
              "R/M1,R/M2\n"
              "null/5\nnull/5\nnull/7\nnull/5\n1/7\n");
}

TEST_F(DependencyTable, LoopsAndDuplicatesAreRefusedAndTheRootListFollows) {
    const std::string note = Client([] {
        std::string out;
        struct Case {
            const char *parent, *child;
        };
        // A on A, a loop through two levels, a duplicate, a missing instance,
        // missing names.
        for (Case c : {Case{"P", "P"}, Case{"L", "R"}, Case{"M1", "X"}, Case{"R", "M1"}, Case{"P", "nosuch"},
                       Case{"", "P"}, Case{"P", nullptr}})
            out += qdbfixture::ResultAndErrno(dep_create(nullptr, c.parent, c.child)) + ",";
        out += Roots() + ";";
        // A first parent takes Q out of the instance list, removing it puts it back.
        out += qdbfixture::ResultAndErrno(dep_create(nullptr, "P", "Q"));
        out += "," + Roots() + ",";
        char removed[256] = "x";
        out += Removal("P", "Q", removed);
        return out;
    });
    EXPECT_EQ(note, "-1/5,-1/5,-1/5,-1/4,-1/7,-1/5,-1/5,P,Q,R,X;0/0,P,R,X,0/0,\"P\", \"Q\", ,P,Q,R,X;");
}

TEST_F(DependencyTable, RemovingByChildTakesAllAndByBothTagsOne) {
    const std::string note = Client([] {
        std::string out;
        char removed[512];
        out += Removal(nullptr, "L", removed);
        // M1 keeps its parent X.
        out += Removal("R", "M1", removed);
        out += qdbfixture::ResultAndErrno(dep_remove(nullptr, "R", "M1", nullptr)) + ",";
        out += qdbfixture::ResultAndErrno(dep_remove(nullptr, nullptr, nullptr, nullptr)) + ",";
        out += qdbfixture::ResultAndErrno(dep_remove(nullptr, "", "", removed)) + ";";
        out += List("X", 2) + "," + List("R", 2);
        return out;
    });
    EXPECT_EQ(note,
              "0/0,\"M1\", \"L\", |\"M2\", \"L\", ,L,P,Q,R,X;"
              "0/0,\"R\", \"M1\", ,L,P,Q,R,X;"
              "-1/7,-1/5,-1/5;X|M1,R|M2");
}

TEST_F(DependencyTable, WrittenInTheInstanceLinesAndReloadedIdentically) {
    const std::string before = Client([] {
        dep_create(nullptr, "P", "Q");
        dep_remove(nullptr, "X", "M1", nullptr);
        std::string out = Snapshot();
        out += std::to_string(res_sync(nullptr));
        return out;
    });
    EXPECT_EQ(File("subsys/app1/resources/typ1/instances"),
              "P|id-P|s||u||0|0|0||Q\n"
              "Q|id-Q|s||u||0|0|0|\n"
              "R|id-R|s||u||0|0|0||M1|M2\n"
              "M1|id-M1|s||u||0|0|0||L\n"
              "X|id-X|s||u||0|0|0|\n");
    Restart();
    const std::string after = Client([] { return Snapshot() + "0"; });
    EXPECT_EQ(before, after);
    EXPECT_EQ(before, "P,R,X;P|Q;null/7;R|M1,M1|L,R|M2,M2|L;null/7;null/7;0");
}

// A copy of another system's database: its own records only.
std::string Record(const char* cmd, const char* before, const char* after, const std::string& key) {
    return std::string(cmd) + "NODE2\x01" + before + "\x01" + after + "\x01" + key;
}

TEST_F(DependencyTable, TheDaemonServesRequestsAndCopiesFollowRecordsAndLoads) {
    const std::string note = Client([] {
        std::string out;
        std::vector<char> reply(kQdbMesMax);
        out += qdbfixture::ResultAndErrno(qdbsendremote(reply.data(), nullptr, 'F', 'a', "%s", "P\x01Q"));
        out += qdbfixture::ResultAndErrno(qdbsendremote(reply.data(), nullptr, 'F', 'c', "%s", "\x01L\x01y"));
        out += "[" + Shown(reply.data()) + "]";
        out += qdbfixture::ResultAndErrno(qdbsendremote(reply.data(), nullptr, 'F', 'a', "%s", "P")) + ";";
        out += Roots() + ";";
        // The cache server's texts carry every instance and the children.
        std::vector<std::string> texts;
        cfgstore::CacheReplies(&texts, 1000);
        out += std::to_string(texts[4].find("app1\x01typ1\x01Q\x01") != std::string::npos);
        out += std::to_string(texts[6].find("\x01Q\n") != std::string::npos) + ";";
        // A copy loaded from such texts, then following records.
        FillCopy("NODE2", CopyLine("typ1", "A") + CopyLine("typ1", "B"));
        std::string deps = Line("A", {"B"});
        out += std::to_string(dependency::createmany("NODE2", deps.data(), 1));
        {
            AUTO_QDB_LOCK(lk);
            lk.lock(-1);
            ShmMgr::findDbMgr("NODE2", 0)->tStamp = QdbDbTime{0x100, 0};
        }
        for (const std::string& rec : {Record("c", "100\x01" "0", "100\x01" "1", "A\x01"),
                                        Record("a", "100\x01" "1", "100\x01" "2", "B\x01" "A"),
                                        Record("a", "100\x01" "2", "100\x01" "3", "A\x01" "B"),
                                        Record("a", "100\x01" "3", "100\x01" "4", "B\x01" "nosuch"),
                                        Record("c", "100\x01" "4", "100\x01" "5", "\x01"),
                                        Record("x", "100\x01" "5", "100\x01" "6", "A\x01" "B")}) {
            std::string text = rec;
            out += "," + std::to_string(dependency::updateCache(text.data()));
        }
        char** l = dep_list("NODE2", "B", 1, nullptr, nullptr, 0);
        out += "," + Joined(l) + std::to_string(Qdb_errno);
        qdberrclr();
        // No record changes the local database.
        std::string own = "aNODE1\x01" "1\x01" "0\x01" "1\x01" "1\x01" "P\x01" "Q";
        out += "," + std::to_string(dependency::updateCache(own.data()));
        return out;
    });
    EXPECT_EQ(note, "0/00/0[\"M1\", \"L\", |\"M2\", \"L\", ]-1/5;L,P,R,X;11;0,0,0,-9,-9,-8,-2,B|A0,-12");
}

// 101 instances each depending on every later one: 5,050 dependencies, so
// the listing below the first reaches the bound. The links are made
// directly (create's checks walk the whole hierarchy each time).
class DependencyBound : public HierarchyTest {
protected:
    void MoreFiles() override { Tunables("INITTIMEOUT=20\nSHMMAXSIZ=8000000\n"); }
};

TEST_F(DependencyBound, AListStopsAtFiveThousandWithCodeSixAndTheProcessGoesOn) {
    const std::string note = Client([] {
        std::vector<std::string> tags;
        for (int i = 0; i < 101; ++i) {
            char tag[16];
            std::snprintf(tag, sizeof tag, "T%03d", i);
            tags.push_back(tag);
            if (ins_create(nullptr, "app1", "typ1", 's', tag, (std::string("id") + tag).c_str(), "") != 0) return std::string("create");
        }
        {
            AUTO_QDB_LOCK(lk);
            DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
            std::vector<hvresource*> res;
            for (const std::string& t : tags) res.push_back(hvresource::findres(db, t.c_str(), nullptr));
            for (std::size_t i = 0; i < res.size(); ++i)
                for (std::size_t j = i + 1; j < res.size(); ++j) {
                    auto* d = new (*db) dependency();
                    if (d == nullptr || d->link(res[i], res[j], 0) != 0) return std::string("link");
                }
        }
        char** l = dep_list(nullptr, "T000", 2, nullptr, nullptr, 0);
        std::size_t n = 0;
        while (l && l[n]) ++n;
        std::string out = std::to_string(n) + "/" + std::to_string(Qdb_errno) + "," + Shown(l[0]);
        qdberrclr();
        Joined(l);
        // Below the second there are 4,950: whole, no error.
        l = dep_list(nullptr, "T001", 2, nullptr, nullptr, 0);
        n = 0;
        while (l && l[n]) ++n;
        out += ";" + std::to_string(n) + "/" + std::to_string(Qdb_errno);
        Joined(l);
        return out;
    });
    EXPECT_EQ(note, "5000/6,T000|T001;4950/0");
}

}  // namespace
