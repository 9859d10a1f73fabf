// The route table and the route lookup of an address: the lookup steps with
// and without the manager flag, priority order, table growth, and routes
// whose endpoint is gone.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "BaseAddr.h"
#include "BaseAddrEnt.h"
#include "RuntimeTestSupport.h"

namespace {

// The route table never looks at its receivers: tags stand in for endpoints.
char tags[8];
BaseMsgRcvr* Tag(int i) { return reinterpret_cast<BaseMsgRcvr*>(&tags[i]); }

struct RouteDef {
    char name;
    const char* host;
    long pid;
    long tid;
};

// A: the pipe to this host's manager; B: one client thread of this host;
// C: another host's manager; D: one process of a third host.
constexpr RouteDef kRoutes[] = {
    {'A', "NODEA", 0, 0},
    {'B', "NODEA", 111, 222},
    {'C', "NODEB", 0, 0},
    {'D', "NODEC", 333, 444},
};

struct LookupCase {
    const char* what;
    const char* routes;  // which of kRoutes exist
    int mxrWorldFlg;
    const char* host;
    long pid;
    long tid;
    char expect;  // route name, or 0 for none
};

const LookupCase kCases[] = {
    {"exact match", "ABCD", 0, "NODEA", 111, 222, 'B'},
    {"exact match in the manager", "ABCD", 1, "NODEA", 111, 222, 'B'},
    {"this host, unknown thread: its manager", "ABCD", 0, "NODEA", 111, 999, 'A'},
    {"other host: its manager route", "ABCD", 0, "NODEB", 5, 6, 'C'},
    {"other host: its manager route in the manager", "ABCD", 1, "NODEB", 5, 6, 'C'},
    {"exact match on a third host", "ABCD", 0, "NODEC", 333, 444, 'D'},
    {"third host, other process: any route to that host", "ABCD", 0, "NODEC", 1, 2, 'D'},
    {"third host, other process, in the manager", "ABCD", 1, "NODEC", 1, 2, 'D'},
    {"unknown host: relayed through this host's manager", "ABCD", 0, "FAR", 1, 1, 'A'},
    {"unknown host in the manager: nothing", "ABCD", 1, "FAR", 1, 1, 0},
    {"this host without a manager route: nothing", "BCD", 0, "NODEA", 5, 5, 0},
    {"this host, pid 0, no manager route: nothing", "BCD", 0, "NODEA", 0, 0, 0},
    {"unknown host without a manager route: nothing", "BCD", 0, "FAR", 1, 1, 0},
    {"empty table", "", 0, "NODEB", 0, 0, 0},
    {"empty host is another host's name", "A", 0, "", 0, 0, 'A'},
};

// Test names show the case.
void PrintTo(const LookupCase& c, std::ostream* os) { *os << c.what; }

class RouteLookup : public ::testing::TestWithParam<LookupCase> {};

TEST_P(RouteLookup, FollowsTheLookupSteps) {
    const LookupCase& c = GetParam();
    RuntimeScope scope("NODEA", c.mxrWorldFlg);
    std::vector<BaseAddrEntPtr> held;
    for (const RouteDef& r : kRoutes)
        if (std::string(c.routes).find(r.name) != std::string::npos)
            held.emplace_back(new BaseAddrEnt(bStr(r.host), r.pid, r.tid, Tag(r.name - 'A')));
    BaseAddr addr(bStr(c.host), c.pid, c.tid);
    BaseMsgRcvr* expect = c.expect != 0 ? Tag(c.expect - 'A') : nullptr;
    EXPECT_EQ(addr.GetMsgRcvrAddr(), expect) << c.what;
    EXPECT_EQ(BaseAddrEnt::LookUpRoute(bStr(c.host), c.pid, c.tid), expect) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Steps, RouteLookup, ::testing::ValuesIn(kCases));

std::vector<int> Priorities() {
    std::vector<int> out;
    for (int i = 0; i < BaseAddrEnt::GetAddrEntCnt(); ++i) out.push_back(BaseAddrEnt::GetAddrEntPtr()[i]->GetComPriority());
    return out;
}

}  // namespace

TEST(RouteTable, OrderedByPriorityThenByEntry) {
    RuntimeScope scope;
    BaseAddrEntPtr p0(new BaseAddrEnt(bStr("NODEB"), 0, 0, 0, Tag(0)));
    BaseAddrEntPtr p5a(new BaseAddrEnt(bStr("NODEB"), 0, 0, 5, Tag(1)));
    BaseAddrEntPtr p5b(new BaseAddrEnt(bStr("NODEB"), 0, 0, 5, Tag(2)));
    BaseAddrEntPtr p3(new BaseAddrEnt(bStr("NODEB"), 0, 0, 3, Tag(3)));
    EXPECT_EQ(Priorities(), (std::vector<int>{5, 5, 3, 0}));
    EXPECT_EQ(BaseAddrEnt::GetAddrEntPtr()[0], p5a.GetPtr());
    EXPECT_EQ(BaseAddrEnt::GetAddrEntPtr()[1], p5b.GetPtr());
    // Both priority-5 rows match; the first entered wins.
    EXPECT_EQ(BaseAddr(bStr("NODEB"), 0, 0).GetMsgRcvrAddr(), Tag(1));

    // Withdrawing the preferred route falls back to the next one.
    p5a = BaseAddrEntPtr();
    EXPECT_EQ(Priorities(), (std::vector<int>{5, 3, 0}));
    EXPECT_EQ(BaseAddr(bStr("NODEB"), 0, 0).GetMsgRcvrAddr(), Tag(2));
    // A route with a priority of its own set later keeps its place.
    BaseAddrEntPtr neg(new BaseAddrEnt(bStr("NODEB"), 0, 0, -1, Tag(4)));
    EXPECT_EQ(Priorities(), (std::vector<int>{5, 3, 0, -1}));
}

TEST(RouteTable, GrowsByTenAndShiftsOnRemoval) {
    RuntimeScope scope;
    EXPECT_EQ(BaseAddrEnt::GetAddrEntAvail(), 0);
    std::vector<BaseAddrEntPtr> rows;
    for (int i = 0; i < 25; ++i) rows.emplace_back(new BaseAddrEnt(bStr("H"), i, 0, i % 4, Tag(i % 8)));
    EXPECT_EQ(BaseAddrEnt::GetAddrEntCnt(), 25);
    EXPECT_EQ(BaseAddrEnt::GetAddrEntAvail(), 30);
    std::vector<int> prio = Priorities();
    EXPECT_TRUE(std::is_sorted(prio.rbegin(), prio.rend()));
    // Among equal priorities, the order of entry (pid counts up).
    for (int i = 1; i < 25; ++i) {
        const BaseAddrEnt* a = BaseAddrEnt::GetAddrEntPtr()[i - 1];
        const BaseAddrEnt* b = BaseAddrEnt::GetAddrEntPtr()[i];
        if (a->GetComPriority() == b->GetComPriority()) {
            EXPECT_LT(a->GetPid(), b->GetPid());
        }
    }
    for (int i = 0; i < 25; i += 2) rows[i] = BaseAddrEntPtr();
    EXPECT_EQ(BaseAddrEnt::GetAddrEntCnt(), 12);
    EXPECT_EQ(BaseAddrEnt::GetAddrEntAvail(), 30);  // never shrinks
    for (int i = 0; i < 12; ++i) EXPECT_EQ(BaseAddrEnt::GetAddrEntPtr()[i]->GetPid() % 2, 1);
    for (int i = 12; i < 30; ++i) EXPECT_EQ(BaseAddrEnt::GetAddrEntPtr()[i], nullptr);
    rows.clear();
    EXPECT_EQ(BaseAddrEnt::GetAddrEntCnt(), 0);
}

TEST(RouteTable, BlankRowIsNotEnteredAndLeavesTheTableAlone) {
    RuntimeScope scope;
    BaseAddrEntPtr real(new BaseAddrEnt(bStr("NODEB"), 0, 0, Tag(0)));
    {
        BaseAddrEntPtr blank(new BaseAddrEnt());
        EXPECT_EQ(blank->GetMsgRcvrPtr(), nullptr);
        EXPECT_EQ(BaseAddrEnt::GetAddrEntCnt(), 1);
    }
    EXPECT_EQ(BaseAddrEnt::GetAddrEntCnt(), 1);
    EXPECT_EQ(BaseAddrEnt::GetAddrEntPtr()[0], real.GetPtr());
}

// A route outlived by someone's pointer must not hand out its dead endpoint:
// the next route to the same place takes over.
TEST(RouteTable, RouteOfAForgottenReceiverLeadsNowhere) {
    RuntimeScope scope;
    BaseAddrEntPtr preferred(new BaseAddrEnt(bStr("NODEB"), 0, 0, 9, Tag(0)));
    BaseAddrEntPtr fallback(new BaseAddrEnt(bStr("NODEB"), 0, 0, 1, Tag(1)));
    BaseAddrEnt::ForgetMsgRcvr(Tag(0));
    EXPECT_EQ(preferred->GetMsgRcvrPtr(), nullptr);
    EXPECT_EQ(BaseAddr(bStr("NODEB"), 0, 0).GetMsgRcvrAddr(), Tag(1));
    BaseAddrEnt::ForgetMsgRcvr(Tag(1));
    EXPECT_EQ(BaseAddr(bStr("NODEB"), 0, 0).GetMsgRcvrAddr(), nullptr);
}
