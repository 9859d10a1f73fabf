// Dependencies, equivalencies and removal across two systems joined by the
// relay: the exact requests the other daemon receives, the other side's
// equivalency record, the COMMON state copy, and the SHARED rule against
// the other system's real state.
#include "AutoQdbLock.h"
#include "DbMgr.h"
#include "ShmMgr.h"
#include "InstanceInterface.h"
#include "TwoSystemsFixture.h"
#include "application.h"
#include "dependency.h"
#include "equivalency.h"
#include "hvresource.h"
#include "qdberr.h"
#include "qdbfile.h"
#include "resource_type.h"
#include "systems.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class HierarchyTwoSystems : public qdbfixture::TwoSystemsFixture {
protected:
    // Each system knows the other as alive and has app1/typ1 with instances.
    void Prepare() {
        auto setUp = [](const char* other, std::initializer_list<const char*> tags) {
            std::string out = Result(sys_create(nullptr, other));
            out += Result(sys_setstate(nullptr, other, 'A', "peer"));
            out += Result(app_create(nullptr, "app1"));
            out += Result(typ_create(nullptr, "app1", "typ1"));
            for (const char* t : tags) out += Result(ins_create(nullptr, "app1", "typ1", 's', t, (std::string("id-") + t).c_str(), ""));
            return out;
        };
        ASSERT_EQ(ClientOfA([&] { return setUp("NODEB", {"a1", "a2"}); }), "0/00/00/00/00/00/0");
        ASSERT_EQ(ClientOfB([&] { return setUp("NODEA", {"b1", "b2", "b3"}); }), "0/00/00/00/00/00/00/0");
    }
    std::string EqvsOf(const qdbfixture::System& s) {
        return ClientOf(s, [] {
            char** l = eqv_list(nullptr, nullptr, nullptr, 0, ',');
            std::string out = l ? l[0] : "none";
            for (char** p = l; p && *p; ++p) qdbfreeit(*p);
            qdbfreeit(l);
            qdberrclr();
            return out;
        });
    }
};

TEST_F(HierarchyTwoSystems, RequestsForTheOtherSystemArriveAsExactBytes) {
    Prepare();
    const std::string note = ClientOfA([] {
        std::string out = Result(dep_create("NODEB", "b1", "b2"));
        char removed[256] = "";
        out += Result(dep_remove("NODEB", nullptr, "b2", removed));
        out += std::string("[") + removed + "]";
        char answer[4] = "y";
        out += Result(ins_remove("NODEB", nullptr, nullptr, nullptr, "b3", nullptr, answer, 1, 0));
        out += Result(ins_remove("NODEB", "b3", nullptr, nullptr, nullptr, nullptr, nullptr, 1, 0));
        return out;
    });
    EXPECT_EQ(note, "0/00/0[\"b1\", \"b2\", ]0/0-1/7");
    const std::string b = Out(daemons_["NODEB"]);
    for (const char* line : {"qdb: request Fab1|b2\n", "qdb: request Fc|b2|y\n", "qdb: request Ec||b3||y|T|F|\n",
                             "qdb: request Ec||||n|T|F|b3\n"})
        EXPECT_NE(b.find(line), std::string::npos) << line << b;
    // The removal there cleared the delete marks here first.
    EXPECT_NE(Out(daemons_["NODEA"]).find("qdb: request @dD|\n"), std::string::npos) << Out(daemons_["NODEA"]);
}

TEST_F(HierarchyTwoSystems, EquivalenciesAreMadeOnBothSidesAndTheStatesFollow) {
    Prepare();
    // A COMMON copy takes a1's state over; B's record is made for A.
    EXPECT_EQ(ClientOfA([] {
                  std::string out = Result(ins_setstate(nullptr, "a1", 'f', "broke"));
                  return out + Result(eqv_create(nullptr, "NODEA", "a1", "NODEB", "b1", COMMON));
              }),
              "0/00/0");
    const std::string b = Out(daemons_["NODEB"]);
    EXPECT_NE(b.find("qdb: request GaNODEA|a1|NODEB|b1|C|y\n"), std::string::npos) << b;
    EXPECT_NE(b.find("qdb: request EfCfb1|broke|NODEA|a1\n"), std::string::npos) << b;
    EXPECT_EQ(ClientOfB([] {
                  AUTO_QDB_LOCK(lk);
                  hvresource* r = hvresource::findres(lk.getDbMgr(nullptr, -1, 1000, 0), "b1", nullptr);
                  return std::string(hvresource::convstate(r->get_state())) + "[" + r->get_statedescr() + "]";
              }),
              "OSF[broke]");
    // The copy is not echoed back.
    EXPECT_EQ(Out(daemons_["NODEA"]).find("qdb: request EfC"), std::string::npos);
    // B's record was made for A: removing it there is not sent back.
    EXPECT_EQ(ClientOfB([] { return Result(eqv_remove(nullptr, "NODEB", "b1", COMMON, nullptr, nullptr)); }), "0/0");
    EXPECT_EQ(EqvsOf(b_), "none");
    EXPECT_EQ(EqvsOf(a_), "NODEA,a1,NODEB,b1,COMMON");
    // A's own record goes on both sides.
    EXPECT_EQ(ClientOfA([] { return Result(eqv_create(nullptr, "NODEA", "a2", "NODEB", "b2", SHARED)); }), "0/0");
    EXPECT_EQ(EqvsOf(b_), "NODEA,a2,NODEB,b2,SHARED");
    EXPECT_EQ(ClientOfB([] {
                  char other[2001] = "";
                  const int side = is_on_primary("b2", other);
                  return std::to_string(side) + other + Result(ins_setstate(nullptr, "b2", 'i', "up"));
              }),
              "0NODEA0/0");
    // A SHARED primary may not come in service while its secondary is.
    EXPECT_EQ(ClientOfA([] {
                  std::string out;
                  for (int i = 0; i < 100; ++i) {
                      out = Result(ins_setstate(nullptr, "a2", 'i', "try"));
                      if (out == "-1/5") break;
                      ins_setstate(nullptr, "a2", 'u', "");
                      ::usleep(100000);
                  }
                  char other[2001] = "";
                  return out + std::to_string(is_on_primary("a2", other)) + other;
              }),
              "-1/51NODEB");
    EXPECT_EQ(ClientOfA([] { return Result(eqv_remove(nullptr, "NODEA", "a2", SHARED, nullptr, nullptr)); }), "0/0");
    EXPECT_TRUE(Eventually([&] { return EqvsOf(b_) == "none"; }));
}


// A machine that boots answers slowly (its daemon may not even serve yet):
// the start-up pass asks a reachable primary's system again, waiting longer
// each time, and the failed-over secondary stays out while its primary
// restores itself there, instead of reading one unanswered load as a dead
// primary and restoring a second copy. B's client waits only a millisecond
// for the replies at first, too short for any answer.
TEST_F(HierarchyTwoSystems, AtStartUpASecondaryAsksItsSlowPrimaryAgainAndStaysOut) {
    Prepare();
    ASSERT_EQ(ClientOfA([] { return Result(eqv_create(nullptr, "NODEA", "a1", "NODEB", "b1", SHARED)); }), "0/0");
    ASSERT_EQ(ClientOfA([] { return Result(ins_setinit(nullptr, "a1", AUTORES_ISP)); }), "0/0");
    ASSERT_EQ(ClientOfB([] { return Result(ins_setinit(nullptr, "b1", AUTOSEC_ISP)); }), "0/0");
    const auto slowB = [this] {
        b_.Enter();
        ::setenv("HV_TEST_TIME_SCALE", "0.0001", 1);
    };
    const std::string note = qdbfixture::ClientNote(slowB, [] {
        {
            // B's copy of A needs loading, as after a boot.
            AUTO_QDB_LOCK(lk);
            lk.lock(-1);
            ShmMgr::findDbMgr("NODEA", 0)->tStamp = QdbDbTime{0, 0};
        }
        hvresource::clear_a_mark('r', 0);
        hvresource::initallres();
        qdberrclr();
        AUTO_QDB_LOCK(lk);
        hvresource* r = hvresource::findres(lk.getDbMgr(nullptr, -1, 1000, 0), "b1", nullptr);
        return std::string(hvresource::convstate(r->get_state())) + "[" + r->get_statedescr() + "]";
    });
    EXPECT_EQ(note, "OSU[shared primary resource \"a1\" on machine \"NODEA\" is restored there at start-up]");
}

}  // namespace
