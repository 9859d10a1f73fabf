// Reservations on one system: the scope of a reservation, clearing by
// process, the waiting and take-over rounds between processes of distinct
// groups (given through the hooks), and the platform's single group, with
// which no process is ever blocked.
#include "HierarchyFixture.h"
#include "Reservations.h"
#include "dependency.h"

#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

namespace {

using namespace hierarchytest;

// "tag,tag" of the reserved local instances in walk order, "-" for none.
std::string Reserved() {
    AUTO_QDB_LOCK(lk);
    std::string out;
    for (hvresource* r : cfgstore::AllInstances(lk.getDbMgr(nullptr, -1, 1000, 0)))
        if (r->get_resrvpid() != 0) out += (out.empty() ? "" : ",") + std::string(r->tag());
    return out.empty() ? "-" : out;
}

int OwnGroup() { return static_cast<int>(::getpid()); }
// Stands in for the long pause between rounds: nothing the test holds
// changes meanwhile, so counting it is enough.
int g_pauses = 0;
void CountedPause(unsigned) { ++g_pauses; }

// In a child: with its own process group when `ownGroup`, reserves and
// notes "rc/code,pauses,reserved"; the streams come back too.
cfgtest::ChildResult Reserve(const char* stops, qdbresrv_t type, bool ownGroup, bool countPauses) {
    return cfgtest::RunChild([=] {
        qdbfixture::StartClient();
        cfgstore::ReservationHooks hooks{};
        if (ownGroup) hooks.processGroup = &OwnGroup;
        if (countPauses) hooks.pause = &CountedPause;
        cfgstore::SetReservationHooks(hooks);
        const int rc = hvresource::reserve_resources(stops, type);
        const std::string code = std::to_string(Qdb_errno);
        qdberrclr();
        cfgtest::Note(std::to_string(rc) + "/" + code + "," + std::to_string(g_pauses) + "," + Reserved());
        return 0;
    });
}

// typ1: R on M1 and M2, M1 on L, X on M1, and P alone; typ2: M2 on L, L.
class Reservations : public HierarchyTest {
protected:
    std::string TypeOne() override { return Line("R", {"M1", "M2"}) + Line("M1", {"L"}) + Line("X", {"M1"}) + Line("P"); }
    std::string TypeTwo() override { return Line("M2", {"L"}) + Line("L"); }
    void MoreFiles() override { Tunables("INITTIMEOUT=20\nRESRVRECTIMEOUT=4\n"); }
};

TEST_F(Reservations, TheScopeOfStopTagsAndCodes) {
    const std::string note = Client([] {
        struct Case {
            const char* stops;
            qdbresrv_t type;
        };
        std::string out;
        for (Case c : {Case{nullptr, 'M'}, Case{"M1", 'M'}, Case{"M1", 'R'}, Case{"M1", 'S'}, Case{"M1", 'D'},
                       Case{"M1\x01P", 'F'}, Case{"L", 'R'}, Case{"", '0'}, Case{"nosuch", 'M'}, Case{"", 'Z'}}) {
            const std::string rc = qdbfixture::ResultAndErrno(hvresource::reserve_resources(c.stops, c.type));
            out += rc + ":" + Reserved() + "\n";
            hvresource::clear_reservations(::getpid());
        }
        // The same process again changes nothing; the status names the holder.
        hvresource::reserve_resources("P", 'S');
        out += qdbfixture::ResultAndErrno(hvresource::reserve_resources("P", 'S'));
        out += ":" + Reserved() + ";";
        AUTO_QDB_LOCK(lk);
        DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
        char buf[200] = "";
        const int reservedStatus = hvresource::findres(db, "P", nullptr)->reserve_status(buf);
        const int freeStatus = hvresource::findres(db, "R", nullptr)->reserve_status(buf + 100);
        out += std::to_string(reservedStatus) + std::to_string(freeStatus) + ":" +
               std::string(buf).replace(std::string(buf).find(std::to_string(::getpid())), std::to_string(::getpid()).size(), "PID") +
               ";" + hvresource::convresrv('Q');
        return out;
    });
    EXPECT_EQ(note,
              "0/0:P,R,M1,L,M2,X\n"
              "0/0:R,M1,X\n"
              "0/0:R,M1,X\n"
              "0/0:R,M1,L,M2,X\n"
              "0/0:R,M1,L,M2,X\n"
              "0/0:P,R,M1,L,M2,X\n"
              "0/0:R,M1,L,M2,X\n"
              "-1/5:-\n"
              "-1/7:-\n"
              "-1/5:-\n"
              "0/0:P;01:RESERVED to restore to service by process PID in process group 0;unknown reason (81)");
}

TEST_F(Reservations, ClearingTakesOnlyThatProcesssReservations) {
    const cfgtest::ChildResult first = Reserve("P", 'M', false, false);
    EXPECT_EQ(first.note, "0/0,0,P");
    const std::string note = Client([] {
        std::string out = std::to_string(hvresource::reserve_resources("X", 'M'));
        out += ":" + Reserved() + ",";
        // Another process of another group may not clear them.
        cfgstore::ReservationHooks hooks{};
        hooks.processGroup = &OwnGroup;
        cfgstore::SetReservationHooks(hooks);
        AUTO_QDB_LOCK(lk);
        hvresource* p = hvresource::findres(lk.getDbMgr(nullptr, -1, 1000, 0), "P", nullptr);
        const long holder = p->get_resrvpid();
        out += qdbfixture::ResultAndErrno(hvresource::clear_reservations(holder));
        out += ":" + Reserved() + ",";
        cfgstore::SetReservationHooks({[] { return 0; }, nullptr, nullptr});
        out += qdbfixture::ResultAndErrno(hvresource::clear_reservations(holder));
        out += ":" + Reserved();
        return out;
    });
    EXPECT_EQ(note, "0:P,X,-1/5:P,X,0/0:X");
}

TEST_F(Reservations, WithTheSingleGroupNoProcessIsEverBlocked) {
    EXPECT_EQ(Reserve(nullptr, 'M', false, true).note, "0/0,0,P,R,M1,L,M2,X");
    EXPECT_EQ(Reserve(nullptr, 'R', false, true).note, "0/0,0,P,R,M1,L,M2,X");
}

TEST_F(Reservations, AnotherGroupWaitsThenTakesOverAndNeverTriesASixthTime) {
    EXPECT_EQ(Reserve("M1", 'M', true, false).note, "0/0,0,R,M1,X");
    // 'M' waits up to 600 s: five rounds, four pauses, then it gives up.
    const cfgtest::ChildResult gaveUp = Reserve("X", 'M', true, true);
    EXPECT_EQ(gaveUp.note, "-1/4,4,R,M1,X");
    EXPECT_EQ(cfgtest::Count(gaveUp.out + gaveUp.err, "will wait for 600 seconds"), 1) << gaveUp.out << gaveUp.err;
    // 'R' waits RESRVRECTIMEOUT (4 s here, really waited): then the holder's
    // reservations are cleared and this process reserves.
    const cfgtest::ChildResult took = Reserve(nullptr, 'R', true, false);
    EXPECT_EQ(took.note, "0/0,0,P,R,M1,L,M2,X");
    const std::string text = took.out + took.err;
    EXPECT_NE(text.find("will wait for 4 seconds before it will remove reserve"), std::string::npos) << text;
    EXPECT_NE(text.find("for longer than 4 seconds.  Process"), std::string::npos) << text;
}

}  // namespace
