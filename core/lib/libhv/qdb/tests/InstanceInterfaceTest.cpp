// The instance interface on one system: removal of instances and whole
// hierarchies, listing with its filters and bound, instance sets, the tag
// of an identifier and writing only the changed instances files.
#include "DbIter.h"
#include "HierarchyFixture.h"
#include "InstanceInterface.h"
#include "InstanceSeams.h"
#include "QdbLock.h"
#include "ShmList.h"
#include "TableRecord.h"
#include "dependency.h"
#include "qdbmes.h"
#include "resource_set.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace hierarchytest;

std::string Code(int rc) { return qdbfixture::ResultAndErrno(rc); }

// The tags of the local instances in the walk from start.
std::string Tags(const char* start = nullptr) {
    char** l = ins_list(nullptr, start, nullptr, nullptr, nullptr, nullptr, 0);
    std::string out;
    for (char** p = l; p && *p; ++p) {
        char* tag = nullptr;
        char* q = *p;
        for (int i = 0; i < 4; ++i) q = qdbstrscan(q, &tag, nullptr);
        out += (out.empty() ? "" : ",") + std::string(tag);
    }
    Joined(l);
    qdberrclr();
    return out;
}

// typ1: R on M1 and M2, M1 on L, X on M1, and P alone; typ2: M2 on L, L.
class InstanceInterface : public HierarchyTest {
protected:
    std::string TypeOne() override {
        return Line("R", {"M1", "M2"}) + Line("M1", {"L"}) + Line("X", {"M1"}) + Line("P");
    }
    std::string TypeTwo() override { return Line("M2", {"L"}) + Line("L"); }
};

TEST_F(InstanceInterface, RemovalArgumentsAreCheckedBeforeAnythingChanges) {
    const std::string note = Client([] {
        struct Case {
            const char *top, *app, *typ, *tag, *id;
            int init, force;
        };
        std::string out;
        for (Case c : {Case{nullptr, nullptr, nullptr, "P", nullptr, 0, 1},   // 933
                       Case{"R", nullptr, nullptr, "P", nullptr, 1, 0},       // 934
                       Case{"R", "app1", nullptr, nullptr, nullptr, 1, 0},    // 934
                       Case{nullptr, nullptr, nullptr, "P", "id-P", 1, 0},    // 935
                       Case{nullptr, "app1", nullptr, "P", nullptr, 1, 0},    // 936
                       Case{nullptr, nullptr, "typ1", nullptr, "id-P", 1, 0}, // 937
                       Case{nullptr, nullptr, nullptr, nullptr, nullptr, 1, 0}, // 938
                       Case{nullptr, nullptr, nullptr, "nosuch", nullptr, 1, 0},
                       Case{nullptr, nullptr, nullptr, nullptr, "nosuch", 1, 0},
                       Case{"nosuch", nullptr, nullptr, nullptr, nullptr, 1, 0}}) {
            char answer[4] = "y";
            out += Code(ins_remove(nullptr, c.top, c.app, c.typ, c.tag, c.id, answer, c.init, c.force));
            out += std::string("[") + answer + "],";
        }
        return out + Tags();
    });
    EXPECT_EQ(note, "-1/5[],-1/5[],-1/5[],-1/5[],-1/5[],-1/5[],-1/5[],-1/7[],-1/7[],-1/7[],P,R,M1,L,M2,X");
}

TEST_F(InstanceInterface, AnInstanceThatAKeptOneDependsOnIsNotRemovedNorAnythingOfItsHierarchy) {
    const std::string note = Client([] {
        std::string out = Code(ins_remove(nullptr, nullptr, nullptr, nullptr, "M1", nullptr, nullptr, 1, 0));
        out += Code(ins_remove(nullptr, nullptr, nullptr, "typ2", nullptr, nullptr, nullptr, 1, 0));
        // With X gone, the hierarchy below R goes whole; P stays.
        out += Code(ins_remove(nullptr, nullptr, nullptr, nullptr, "X", nullptr, nullptr, 1, 0)) + ";";
        out += Tags() + ";";
        out += Code(ins_remove(nullptr, "R", nullptr, nullptr, nullptr, nullptr, nullptr, 1, 0)) + ";";
        out += Tags();
        return out;
    });
    EXPECT_EQ(note, "-1/8-1/80/0;P,R,M1,L,M2;0/0;P");
}

// The delete action: once per removed instance, upper first, with the lock
// free (another thread takes it) and able to list the instances itself;
// an instance removed by someone else meanwhile is skipped.
std::string g_actions;
int CountingAction(const char* tag, const char* action, const char* options) {
    std::atomic<bool> free{false};
    std::thread other([&] {
        if (qdbgetlock(__FILE__, __LINE__, 2000) == 0) {
            free = true;
            qdbrlslock(__FILE__, __LINE__);
        }
    });
    other.join();
    char** l = ins_list(nullptr, nullptr, nullptr, nullptr, tag, nullptr, 0);
    g_actions += std::string(tag) + ":" + action + ":" + options + (free ? ":free" : ":held") + (l ? ":listed" : "") + ",";
    Joined(l);
    qdberrclr();
    // Meanwhile someone else removes M2, which this removal collected.
    if (std::strcmp(tag, "R") == 0)
        std::thread([] {
            dep_remove(nullptr, "R", "M2", nullptr);
            ins_remove(nullptr, nullptr, nullptr, nullptr, "M2", nullptr, nullptr, 0, 0);
        }).join();
    return -1;
}

TEST_F(InstanceInterface, TheDeleteActionRunsOncePerInstanceWithTheLockFree) {
    const std::string note = Client([] {
        cfgstore::InstanceSeams seams{};
        seams.perfaction = &CountingAction;
        cfgstore::SetInstanceSeams(seams);
        // L is shared with X, which stays: L stays with it.
        std::string out = Code(ins_remove(nullptr, "R", nullptr, nullptr, nullptr, nullptr, nullptr, 1, 0));
        out += ";" + g_actions + ";";
        out += Tags() + ";";
        return out + Roots();
    });
    EXPECT_EQ(note,
              "0/0;R:delete:-t R -i id-R:free:listed,M2:delete:-t M2 -i id-M2:free:listed,;P,X,M1,L;P,X");
}

TEST_F(InstanceInterface, ThreeHundredBelowOneInstanceIsAnOverflowAndNothingGoes) {
    const std::string note = Client([] {
        std::string out;
        for (int n : {299, 300}) {
            const std::string top = "TOP" + std::to_string(n);
            ins_create(nullptr, "app1", "typ1", 's', top.c_str(), ("id" + top).c_str(), "");
            for (int i = 0; i < n; ++i) {
                const std::string t = top + "_" + std::to_string(i);
                ins_create(nullptr, "app1", "typ1", 's', t.c_str(), ("id" + t).c_str(), "");
                dep_create(nullptr, top.c_str(), t.c_str());
            }
            out += Code(ins_remove(nullptr, top.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr, 1, 0));
            char** l = ins_list(nullptr, top.c_str(), nullptr, nullptr, nullptr, nullptr, 0);
            std::size_t k = 0;
            while (l && l[k]) ++k;
            Joined(l);
            qdberrclr();
            out += ":" + std::to_string(k) + ",";
        }
        return out;
    });
    EXPECT_EQ(note, "0/0:0,-1/6:301,");
}

TEST_F(InstanceInterface, ListingFiltersErrorsAndWalks) {
    const std::string note = Client([] {
        auto list = [](const char* system, const char* start, const char* app, const char* typ, const char* tag,
                       const char* id, char sep = 0) {
            char** l = ins_list(system, start, app, typ, tag, id, sep);
            std::string out = l ? Joined(l) : "null/" + std::to_string(Qdb_errno);
            qdberrclr();
            return out;
        };
        std::vector<std::string> out;
        out.push_back(list(nullptr, nullptr, nullptr, nullptr, "L", nullptr, ':'));
        out.push_back(list(nullptr, " ", nullptr, nullptr, nullptr, nullptr, '/'));
        out.push_back(list(nullptr, "M1", nullptr, "typ2", nullptr, nullptr, '/'));
        out.push_back(list(nullptr, nullptr, "app1", "typ2", nullptr, nullptr, '/'));
        for (const char* t : {"X", "P"}) out.push_back(Tags(t));
        for (auto args : std::vector<std::vector<const char*>>{
                 {nullptr, nullptr, nullptr, nullptr, "R", "id-R"},   // 945
                 {nullptr, nullptr, "app1", nullptr, "R", nullptr},   // 946
                 {nullptr, nullptr, nullptr, "typ1", nullptr, "id-R"},// 947
                 {"NOSUCH", nullptr, nullptr, nullptr, nullptr, nullptr},
                 {nullptr, nullptr, nullptr, nullptr, nullptr, "none"},
                 {nullptr, nullptr, nullptr, nullptr, "none", nullptr},
                 {nullptr, nullptr, "app2", "typ3", nullptr, nullptr},
                 {nullptr, nullptr, "app2", nullptr, nullptr, nullptr},
                 {nullptr, nullptr, nullptr, "typ3", nullptr, nullptr},
                 {nullptr, "nosuch", nullptr, nullptr, nullptr, nullptr}})
            out.push_back(list(args[0], args[1], args[2], args[3], args[4], args[5]));
        std::string joined;
        for (const std::string& s : out) joined += s + "\n";
        return joined;
    });
    EXPECT_EQ(note,
              "NODE1:app1:typ2:L:id-L::OSU::INIT_OSU::0:0:\n"
              "NODE1/app1/typ1/P/id-P//OSU//INIT_OSU//0/0/,NODE1/app1/typ1/R/id-R//OSU//INIT_OSU//0/0/,"
              "NODE1/app1/typ1/X/id-X//OSU//INIT_OSU//0/0/\n"
              "NODE1/app1/typ2/L/id-L//OSU//INIT_OSU//0/0/\n"
              "NODE1/app1/typ2/L/id-L//OSU//INIT_OSU//0/0/,NODE1/app1/typ2/M2/id-M2//OSU//INIT_OSU//0/0/\n"
              "X,M1,L\n"
              "P\n"
              "null/5\nnull/5\nnull/5\nnull/7\nnull/7\nnull/7\nnull/7\nnull/7\nnull/7\nnull/7\n");
}

TEST_F(InstanceInterface, SetsTagsPerThreadAndOnlyChangedFilesWritten) {
    const std::string note = Client([] {
        std::string out;
        {
            AUTO_QDB_LOCK(lk);
            resource_set set(lk.getDbMgr(nullptr, -1, 1000, 0));
            out += std::to_string(set.size()) + ",";
            out += std::string(set[0]->tag()) + ",";
            const bool past = set[set.size()] == nullptr;
            out += std::to_string(past) + "/" + std::to_string(Qdb_errno) + ",";
            qdberrclr();
            out += std::to_string(set.set_start("nosuch"));
            out += std::to_string(set.set_start("M2")) + ",";
            out += std::to_string(set.size()) + ",";
            set.set_start(" ");
            out += std::to_string(set.size()) + ";";
        }
        {
            AUTO_QDB_LOCK(lk);
            lk.lock(-1);
            DbMgr* emptyDb = DbMgr::create("EMPTY", 1);
            resource_set none(emptyDb);
            const bool empty = none[0] == nullptr;
            out += std::to_string(empty) + "/" + std::to_string(Qdb_errno) + ";";
            qdberrclr();
            DbMgr::destroy(emptyDb);
        }
        // Each thread keeps its own tag text.
        const char* mine = ins_gettag(nullptr, "id-R");
        std::string theirs;
        std::thread([&] { theirs = ins_gettag(nullptr, "id-X"); }).join();
        out += std::string(mine) + theirs;
        out += ins_gettag(nullptr, "none") == nullptr ? "null;" : ";";
        qdberrclr();
        return out;
    });
    EXPECT_EQ(note, "6,P,1/6,-10,2,3;1/6;RXnull;");
    // A change of typ1 writes typ1's file; typ2's is left as it is.
    RootFile("subsys/app1/resources/typ2/instances", "left alone\n");
    Client([] {
        const int set = ins_setinfo(nullptr, "P", "new");
        return std::to_string(set + res_sync(nullptr));
    });
    EXPECT_EQ(File("subsys/app1/resources/typ2/instances"), "left alone\n");
    EXPECT_NE(File("subsys/app1/resources/typ1/instances").find("P|id-P|s|new|u"), std::string::npos);
}

}  // namespace

namespace {

using namespace hierarchytest;

TEST_F(InstanceInterface, TheDaemonAnswersOtherSystemsQueries) {
    const std::string note = Client([] {
        std::vector<char> reply(kQdbMesMax);
        std::string out;
        for (const char* q : {"gM2", "g ", "rM1", "r\x01id-X", "pL", "PL\x01" "app1\x01" "typ1", "p", "rnone"}) {
            const int rc = qdbsendremote(reply.data(), nullptr, '@', 'd', "%s", q);
            out += std::to_string(rc) + "/" + std::to_string(Qdb_errno) + ":" + (rc == 0 ? Shown(reply.data()) : "") + "\n";
            qdberrclr();
        }
        return out;
    });
    EXPECT_EQ(note,
              "0/0:app1|typ2|M2|id-M2|s||u||0|0|0||L\napp1|typ2|L|id-L|s||u||0|0|0|\n\n"
              "0/0:app1|typ1|P|id-P|s||u||0|0|0|\napp1|typ1|R|id-R|s||u||0|0|0||M1|M2\n"
              "app1|typ1|X|id-X|s||u||0|0|0||M1\n\n"
              "0/0:app1|typ1|M1|id-M1|s||u||0|0|0||L\n\n"
              "0/0:app1|typ1|X|id-X|s||u||0|0|0||M1\n\n"
              "0/0:M1|id-M1|s||u||0|0|0||L\nM2|id-M2|s||u||0|0|0||L\n\n"
              "0/0:M1|id-M1|s||u||0|0|0||L\nR|id-R|s||u||0|0|0||M2\nR|id-R|s||u||0|0|0||M1\nX|id-X|s||u||0|0|0||M1\n\n"
              "-1/5:\n"
              "-1/7:\n");
}

// 5,001 instances: a list of all of them stops at 5,000. They are put in
// the pages directly, in descending order so that each goes to the front
// of the instance list (create's checks look at every instance each time).
class InstanceListBound : public HierarchyTest {
protected:
    void MoreFiles() override { Tunables("INITTIMEOUT=20\nSHMMAXSIZ=8000000\n"); }
};

TEST_F(InstanceListBound, AListStopsAtFiveThousandWithCodeSix) {
    const std::string note = Client([] {
        {
            AUTO_QDB_LOCK(lk);
            DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
            for (int i = 5000; i >= 0; --i) {
                char tag[16];
                std::snprintf(tag, sizeof tag, "T%05d", i);
                auto* r = new (*db) hvresource();
                if (r == nullptr || cfgstore::SetRecordText(db, &r->tagOff, tag) != 0 ||
                    cfgstore::SetRecordText(db, &r->idOff, tag) != 0)
                    return std::string("no room");
                r->resstate = OSU;
                r->inittype = INIT_OSU;
                ShmList* node = ShmList::create(db, tag, r);
                if (node == nullptr || node->insert(&db->roots) != 0) return std::string("no list room");
            }
        }
        char** l = ins_list(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0);
        std::size_t n = 0;
        while (l && l[n]) ++n;
        const std::string out = std::to_string(n) + "/" + std::to_string(Qdb_errno);
        qdberrclr();
        Joined(l);
        return out;
    });
    EXPECT_EQ(note, "5000/6");
}

}  // namespace
