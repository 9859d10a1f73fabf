// The equivalency table on one system, and the instance rules that use it:
// creation checks, COMPOSITE partners of SHARED records, records made for
// the other side, the SHARED and COMMON state rules and the start-up pass.
// Other systems are the cached copies of NODE2 (filled here) and NODE3
// (never loaded: its system cannot be reached).
#include "CachedDb.h"
#include "HierarchyFixture.h"
#include "equivalency.h"
#include "qdbmes.h"
#include "systems.h"
#include "InstanceInterface.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace hierarchytest;

std::string Eqv(const char* s1, const char* t1, const char* s2, const char* t2, char type) {
    return std::string(s1) + "\x01" + t1 + "\x01" + s2 + "\x01" + t2 + "\x01" + type + "\n";
}

// "rc/code/number" of a call; the number is the reported message's.
std::string Refusal(int rc) {
    int num = 0;
    if (const char* at = Qdb_errbuf ? std::strstr(Qdb_errbuf, "(No. ") : nullptr) std::sscanf(at, "(No. %d)", &num);
    std::string s = std::to_string(rc) + "/" + std::to_string(Qdb_errno) + "/" + std::to_string(num);
    qdberrclr();
    return s;
}

std::string EqvList(const char* system, const char* sys = nullptr, const char* tag = nullptr, int type = 0) {
    char** l = eqv_list(system, sys, tag, type, 0);
    std::string out = l ? Joined(l) : "null/" + std::to_string(Qdb_errno);
    qdberrclr();
    return out;
}

// "STATE[description]" of a local instance.
std::string StateOf(const char* tag) {
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    hvresource* r = hvresource::findres(db, tag, nullptr);
    if (r == nullptr) return "none";
    return std::string(hvresource::convstate(r->get_state())) + "[" + r->get_statedescr() + "]";
}

void SetState(const char* system, const char* tag, state st) {
    AUTO_QDB_LOCK(lk);
    lk.lock(-1);
    hvresource* r = hvresource::findres(ShmMgr::findDbMgr(system, 0), tag, nullptr);
    if (r != nullptr) r->resstate = st;
}


class EquivalencyTable : public HierarchyTest {
protected:
    std::string TypeOne() override {
        return Line("A") + Line("E") + Line("B") + Line("C") + Line("D") + Line("G") + Line("H") +
               Line("R", {"M1"}) + Line("M1", {"L"}) + Line("L");
    }
    void MoreFiles() override { RootFile("config/equivalencies", Start()); }
    static std::string Start() {
        return Eqv("NODE1", "A", "NODE2", "X", 'S') + Eqv("NODE1", "E", "NODE2", "Y", 'S') +
               Eqv("NODE2", "V", "NODE1", "B", 'S') + Eqv("NODE2", "Z", "NODE1", "C", 'C') +
               Eqv("NODE1", "C", "NODE3", "W", 'C') + Eqv("NODE1", "G", "NODE3", "Q", 'S') +
               Eqv("NODE3", "R", "NODE1", "H", 'S');
    }
};

TEST_F(EquivalencyTable, CreationChecksInOrder) {
    const std::string note = Client([] {
        struct Case {
            const char *dest, *s1, *t1, *s2, *t2;
            int type;
        };
        std::string out;
        for (Case c : {Case{nullptr, "NODE1", "", "NODE2", "X", 'S'},         // 264
                       Case{nullptr, "NODE1", "A", "NODE2", nullptr, 'S'},    // 265
                       Case{nullptr, "NODE1", "A", "NODE2", "X", '0'},        // 266
                       Case{nullptr, "", "A", "NODE1", "A", 'c'},             // 266 the same resource
                       Case{nullptr, "NODE2", "X", "NODE1", "A", 'c'},        // 268
                       Case{nullptr, "NODE1", "A", "NODE2", "X", 'c'},        // 269
                       Case{nullptr, "NODE1", "A", "NODE1", "B", 'S'},        // 270
                       Case{nullptr, "NODE2", "X", "NODE3", "Y", 'C'},        // 271
                       Case{"NODE2", "NODE1", "A", "NODE2", "X", 'S'},        // 272 kept here already
                       Case{nullptr, "NODE1", "A", "NODE2", "X", 'S'},        // 273
                       Case{nullptr, "NODE1", "C", "NODE2", "Z", 'C'},        // 272 reversed COMMON
                       Case{nullptr, "NODE1", "D", "NODE1", "A", 'c'},        // 274
                       Case{nullptr, "NODE1", "A", "NODE1", "D", 'c'},        // 275
                       Case{nullptr, "NODE1", "nosuch", "NODE2", "X2", 'S'},  // no such instance
                       Case{nullptr, "NODE1", "a b", "NODE2", "X", 'S'}})     // a blank in a name
            out += Refusal(eqv_create(c.dest, c.s1, c.t1, c.s2, c.t2, c.type)) + ",";
        out += Refusal(eqv_remove(nullptr, "NODE1", "nosuch", 'S', nullptr, nullptr)) + ",";
        out += Refusal(eqv_remove(nullptr, "NODE1", "A", 'S', "NODE2", "nosuch"));
        return out + ";" + EqvList(nullptr);
    });
    EXPECT_EQ(note,
              "-1/5/264,-1/5/265,-1/5/266,-1/5/266,-1/5/268,-1/5/269,-1/5/270,-1/5/271,-1/4/272,-1/4/273,-1/4/272,"
              "-1/5/274,-1/5/275,-1/7/894,-1/5/1,-1/7/277,-1/7/278;"
              "NODE1|A|NODE2|X|SHARED,NODE1|E|NODE2|Y|SHARED,NODE2|V|NODE1|B|SHARED,NODE2|Z|NODE1|C|COMMON,"
              "NODE1|C|NODE3|W|COMMON,NODE1|G|NODE3|Q|SHARED,NODE3|R|NODE1|H|SHARED");
}

TEST_F(EquivalencyTable, RemovingASharedOneTakesItsCompositePartnersAndTheFileFollows) {
    const std::string note = Client([] {
        std::string out = Refusal(eqv_create(nullptr, "NODE1", "A", nullptr, "E", 'c')) + ",";
        out += EqvList(nullptr, nullptr, nullptr, 'c') + ",";
        out += EqvList(nullptr, "NODE1", "E") + ";";
        // The other side cannot be reached: tolerated.
        out += Refusal(eqv_remove(nullptr, "NODE1", "A", 'S', nullptr, nullptr)) + ",";
        out += EqvList(nullptr, nullptr, nullptr, 'c') + ",";
        out += EqvList("NOSUCH") + ",";
        out += std::to_string(eqv_sync(nullptr));
        return out;
    });
    EXPECT_EQ(note,
              "0/0/0,NODE1|A|NODE1|E|COMPOSITE,NODE1|E|NODE2|Y|SHARED,NODE1|A|NODE1|E|COMPOSITE;"
              "0/0/0,null/7,null/7,0");
    EXPECT_EQ(File("config/equivalencies"),
              Shown(Eqv("NODE1", "E", "NODE2", "Y", 'S') + Eqv("NODE2", "V", "NODE1", "B", 'S') +
                    Eqv("NODE2", "Z", "NODE1", "C", 'C') + Eqv("NODE1", "C", "NODE3", "W", 'C') +
                    Eqv("NODE1", "G", "NODE3", "Q", 'S') + Eqv("NODE3", "R", "NODE1", "H", 'S')));
}

TEST_F(EquivalencyTable, TheOtherSidesRecordsCopiesAndTheCacheServer) {
    const std::string note = Client([] {
        std::string out;
        // The other side's own record: stored for it, never sent back.
        out += Refusal(qdbsendremote(nullptr, nullptr, 'G', 'a', "%s", "NODE2\x01" "W2\x01" "NODE1\x01" "D\x01" "S\x01y"));
        {
            AUTO_QDB_LOCK(lk);
            equivalency* e = equivalency::findeqv(lk.getDbMgr(nullptr, -1, 1000, 0), "NODE2", "W2", nullptr, nullptr, 'S');
            out += e ? std::to_string(e->loc_only) : "none";
        }
        out += Refusal(qdbsendremote(nullptr, nullptr, 'G', 'c', "%s", "NODE2\x01" "W2\x01" "NODE1\x01" "D\x01" "S\x01y"));
        out += Refusal(qdbsendremote(nullptr, nullptr, 'G', 'a', "%s", "NODE2\x01" "W2")) + ";";
        out += EqvList(nullptr, "NODE2", "W2") + ";";
        std::vector<std::string> texts;
        cfgstore::CacheReplies(&texts, 1000);
        out += std::to_string(texts[7] == Start()) + ";";
        // A copy follows records, and keeps no duplicate.
        FillCopy("NODE2", "");
        const auto rec = [](const char* cmd, int n, const std::string& key) {
            char stamps[64];
            std::snprintf(stamps, sizeof stamps, "100\x01%x\x01" "100\x01%x\x01", n, n + 1);
            std::string text = std::string(cmd) + "NODE2\x01" + stamps + key;
            return std::to_string(equivalency::updateCache(text.data()));
        };
        std::string key = "NODE2\x01" "X\x01" "NODE1\x01" "A\x01" "S";
        out += rec("a", 0, key);
        out += rec("a", 1, key);
        out += rec("a", 2, "NODE2\x01" "X");
        out += rec("a", 3, key + "S") + ",";
        out += EqvList("NODE2") + ",";
        out += rec("c", 4, key) + ",";
        out += EqvList("NODE2");
        std::string own = "aNODE1\x01" "1\x01" "0\x01" "1\x01" "1\x01" + key;
        out += "," + std::to_string(equivalency::updateCache(own.data()));
        return out;
    });
    EXPECT_EQ(note, "0/0/010/0/0-1/5/0;null/7;1;0-9-7-8,NODE2|X|NODE1|A|SHARED,0,null/7,-12");
}

// The state rules: A is the primary of X on NODE2, B the secondary of V on
// NODE2; G's secondary and H's primary are on NODE3, which cannot be reached.
TEST_F(EquivalencyTable, SharedStateRulesAsATable) {
    const std::string note = Client([] {
        FillCopy("NODE2", CopyLine("typ1", "X") + CopyLine("typ1", "V"));
        struct Case {
            const char* other;  // the NODE2 side and its state, or none
            state otherState;
            const char* tag;
            state newState;
        };
        std::string out;
        for (Case c : {Case{"X", ISU, "A", ISU}, Case{"X", ISP, "A", ISP}, Case{"X", OSF, "A", ISU},
                       Case{"X", ISU, "A", OSU}, Case{"V", ISP, "B", ISP}, Case{"V", OSU, "B", ISP},
                       Case{nullptr, 0, "G", ISU}, Case{nullptr, 0, "H", ISP}}) {
            if (c.other) SetState("NODE2", c.other, c.otherState);
            out += Refusal(ins_setstate(nullptr, c.tag, c.newState, "asked"));
            out += StateOf(c.tag) + ",";
        }
        return out;
    });
    EXPECT_EQ(note,
              "-1/5/921OSU[],-1/5/921OSU[],0/0/0ISU[asked],0/0/0OSU[asked],-1/5/922OSU[],0/0/0ISP[asked],"
              "0/0/0ISU[asked],0/0/0ISP[asked],");
}

TEST_F(EquivalencyTable, CommonCopiesGoToEveryPartnerButTheSenderAndFailureGoesUp) {
    const std::string note = Client([] {
        std::string out;
        // C's partners are Z on NODE2 and W on NODE3; neither can be reached.
        auto failedTo = [&](int rc) {
            std::string s = std::to_string(rc) + "/" + std::to_string(Qdb_errno);
            const std::string text = Qdb_errbuf ? Qdb_errbuf : "";
            s += text.find("NODE2") != std::string::npos ? "+NODE2" : "";
            s += text.find("NODE3") != std::string::npos ? "+NODE3" : "";
            qdberrclr();
            return s;
        };
        out += failedTo(ins_setstate(nullptr, "C", OSF, "broke"));
        out += StateOf("C") + ",";
        {
            AUTO_QDB_LOCK(lk);
            hvresource* c = hvresource::findres(lk.getDbMgr(nullptr, -1, 1000, 0), "C", nullptr);
            out += failedTo(c->privset_state(const_cast<char*>("NODE2"), const_cast<char*>("Z"), OSU, "from Z"));
        }
        out += StateOf("C") + ";";
        // A failed instance below makes those above out of service.
        out += std::to_string(hvresource::set_all_state("L", OSF, "broke")) + ",";
        for (const char* t : {"L", "M1", "R"}) out += StateOf(t) + ",";
        return out;
    });
    EXPECT_EQ(note,
              "-1/9+NODE2+NODE3OSF[broke],-1/9+NODE3OSU[from Z];"
              "1,OSF[broke],OSU[depends on failed resource],OSU[depends on failed resource],");
}

// The start-up pass: every instance's state from its init type, the other
// sides of its equivalencies and what lies below it.
class StartupStates : public HierarchyTest {
protected:
    std::string TypeOne() override {
        return Line("Osu", {}, 's') + Line("Isp", {}, 'I') + Line("Pri1", {}, 'I') + Line("Pri2", {}, 'I') +
               Line("Com", {}, 'I') + Line("Sec", {}, 'I') + Line("Far", {}, 'I') + Line("Top", {"Pri1"}, 'I') +
               Line("Up", {"Com"}, 'I') + Line("Back", {}, 'T') + Line("Over", {}, 'T');
    }
    void MoreFiles() override {
        RootFile("config/equivalencies", Eqv("NODE1", "Pri1", "NODE2", "S1", 'S') + Eqv("NODE1", "Pri2", "NODE2", "S2", 'S') +
                                             Eqv("NODE1", "Com", "NODE2", "Cz", 'C') + Eqv("NODE2", "Pz", "NODE1", "Sec", 'S') +
                                             Eqv("NODE1", "Far", "NODE3", "Q", 'S') +
                                             Eqv("NODE2", "Pb", "NODE1", "Back", 'S') +
                                             Eqv("NODE2", "Po", "NODE1", "Over", 'S'));
    }
};

TEST_F(StartupStates, InitializationAsATable) {
    const std::string note = Client([] {
        FillCopy("NODE2", CopyLine("typ1", "S1", 'T', 'p') + CopyLine("typ1", "S2", 'E', 'i') +
                              CopyLine("typ1", "Cz", 's', 'f') + CopyLine("typ1", "Pz", 'A', 'i') +
                              CopyLine("typ1", "Pb", 'A', 'u') + CopyLine("typ1", "Po", 'A', 'f'));
        // The daemon's own pass ran at its start, with NODE2 out of reach:
        // this one runs again with NODE2's copy filled.
        hvresource::clear_a_mark('r', 0);
        hvresource::initallres();
        std::string out;
        for (const char* t : {"Osu", "Isp", "Pri1", "Pri2", "Com", "Sec", "Far", "Top", "Up", "Back", "Over"})
            out += std::string(t) + "=" + StateOf(t) + "\n";
        return out;
    });
    EXPECT_EQ(note,
              "Osu=OSU[]\n"
              "Isp=ISP[]\n"
              "Pri1=OSF[shared secondary resource \"S1\" on machine \"NODE2\" is in ISP or ISU state]\n"
              "Pri2=OSU[shared secondary resource \"S2\" on machine \"NODE2\" is in ISP or ISU state]\n"
              "Com=OSF[has COMMON eqv with resource \"Cz\" on machine \"NODE2\"]\n"
              "Sec=OSU[shared primary resource \"Pz\" on machine \"NODE2\" is in ISP or ISU state]\n"
              "Far=ISP[]\n"
              "Top=OSU[depends directly or indirectly on a shared resource that in OSU or OSF state]\n"
              "Up=OSU[depends on resource \"Com\" in \"OSF\" state]\n"
              // A secondary that came into service by a failover stays out
              // while its primary, not failed, restores itself; it is
              // restored when its primary failed.
              "Back=OSU[shared primary resource \"Pb\" on machine \"NODE2\" is restored there at start-up]\n"
              "Over=ISP[restore action has succeeded]\n");
    // The daemon's own pass, on a thread that ends after it, let the lock go.
    EXPECT_EQ(Err(daemon_).find("still held the database lock"), std::string::npos) << Err(daemon_);
}

}  // namespace

namespace {

using namespace hierarchytest;

// The init types that the SHARED equivalencies call for, corrected once the
// other system is alive; a removed instance takes its equivalencies along.
TEST_F(EquivalencyTable, SharedInitTypesAreCorrectedWhileTheOtherSystemIsAlive) {
    const std::string note = Client([] {
        auto inits = [] {
            std::string out;
            AUTO_QDB_LOCK(lk);
            DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
            for (const char* t : {"A", "E", "B", "G", "H"})
                out += std::string(t) + "=" + hvresource::convinit(hvresource::findres(db, t, nullptr)->get_inittype()) + " ";
            return out;
        };
        // After the load every other system is dead: nothing changes.
        std::string out = std::to_string(hvresource::all_primary_if_isp()) + ":" + inits() + ";";
        sys_setstate(nullptr, "NODE2", 'A', "up");
        out += std::to_string(hvresource::all_primary_if_isp());
        out += ":" + inits() + ";";
        // B, the secondary, in service: it becomes a primary too, which needs
        // NODE2 to answer; NODE2 cannot be reached.
        SetState(nullptr, "B", ISU);
        out += std::to_string(hvresource::all_primary_if_isp());
        out += std::to_string(Qdb_errno) + ";";
        qdberrclr();
        out += Refusal(ins_remove(nullptr, nullptr, nullptr, nullptr, "A", nullptr, nullptr, 1, 0)) + ":";
        out += EqvList(nullptr, nullptr, "A");
        return out;
    });
    EXPECT_EQ(note,
              "0:A=INIT_OSU E=INIT_OSU B=INIT_OSU G=INIT_OSU H=INIT_OSU ;"
              "0:A=AUTORES_ISP E=AUTORES_ISP B=SEC_ISP G=INIT_OSU H=INIT_OSU ;"
              "-19;0/0/0:null/7");
}

}  // namespace

namespace {

using namespace hierarchytest;

class LongEquivalencyTable : public EquivalencyTable {
protected:
    void MoreFiles() override {
        EquivalencyTable::MoreFiles();
        Tunables("INITTIMEOUT=20\nSHMMAXSIZ=8000000\n");
    }
};

// A table longer than the usual file bound is written whole and read whole.
TEST_F(LongEquivalencyTable, AFileOverHalfAMegabyteIsWrittenAndLoadedWhole) {
    const std::string lines = [] {
        std::string text;
        for (int i = 0; i < 700; ++i) {
            const std::string n = std::to_string(i);
            text += Eqv("NODE1", (n + std::string(400, 'a')).c_str(), "NODE2", (n + std::string(400, 'b')).c_str(), 'S');
        }
        return text;
    }();
    EXPECT_EQ(Client([&] {
                  std::string text = lines;
                  std::string out = std::to_string(equivalency::createmany(nullptr, text.data(), 0));
                  return out + std::to_string(eqv_sync(nullptr));
              }),
              "00");
    EXPECT_GT(File("config/equivalencies").size(), 500000u);
    Restart();
    EXPECT_EQ(Client([] {
                  char** l = eqv_list(nullptr, nullptr, nullptr, SHARED, 0);
                  std::size_t n = 0;
                  while (l && l[n]) ++n;
                  Joined(l);
                  return std::to_string(n);
              }),
              "705");
}

}  // namespace
