// The route lookup through the index beside the table gives, at every step
// of a long history (routes entered and leaving, endpoints gone, a priority
// changed in place, the table replaced), what a walk of the table in order
// gives; and it serves thousands of routes.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "BaseAddr.h"
#include "BaseAddrEnt.h"
#include "RuntimeTestSupport.h"

namespace {

char tags[16];
BaseMsgRcvr* Tag(int i) { return reinterpret_cast<BaseMsgRcvr*>(&tags[i]); }

// The lookup rules, as a walk of the table in order.
BaseMsgRcvr* WalkLookUp(const bStr& host, long pid, long tid) {
    auto first = [](auto&& match) -> BaseMsgRcvr* {
        for (int i = 0; i < BaseAddrEnt::GetAddrEntCnt(); ++i) {
            const BaseAddrEnt* row = BaseAddrEnt::GetAddrEntPtr()[i];
            if (row != nullptr && row->GetMsgRcvrPtr() != nullptr && match(*row)) return row->GetMsgRcvrPtr();
        }
        return nullptr;
    };
    auto is = [](const BaseAddrEnt& e, const bStr& h) { return e.GetHost() == h; };
    if (auto* r = first([&](const BaseAddrEnt& e) { return is(e, host) && e.GetPid() == pid && e.GetTid() == tid; }))
        return r;
    if (auto* r = first([&](const BaseAddrEnt& e) { return is(e, host) && e.GetPid() == 0; })) return r;
    const bStr thisHost = BaseAddr::GetCurrentHost();
    if (host == thisHost) return nullptr;
    if (auto* r = first([&](const BaseAddrEnt& e) { return is(e, host); })) return r;
    if (BaseAddr::GetMxrWorldFlg() != 0) return nullptr;
    return first([&](const BaseAddrEnt& e) { return is(e, thisHost) && e.GetPid() == 0; });
}

const char* const kHosts[] = {"NODEA", "NODEB", "NODEC", "nodea", ""};

void ExpectLookupsAgree(const std::string& when) {
    for (const char* h : kHosts)
        for (long pid : {0L, 1L, 2L, 3L})
            for (long tid : {0L, 1L, 2L}) {
                const bStr host(h);
                ASSERT_EQ(BaseAddrEnt::LookUpRoute(host, pid, tid), WalkLookUp(host, pid, tid))
                    << when << ": " << h << "/" << pid << "/" << tid;
            }
}

TEST(RouteIndex, LookupsAgreeWithAWalkOfTheTableThroughALongHistory) {
    for (int managerFlg : {0, 1}) {
        RuntimeScope scope("NODEA", managerFlg);
        std::mt19937 rng(1234 + managerFlg);
        std::vector<std::unique_ptr<BaseAddrEnt>> rows;
        for (int step = 0; step < 600; ++step) {
            const int what = static_cast<int>(rng() % 10);
            if (what < 5 || rows.empty()) {
                rows.emplace_back(new BaseAddrEnt(bStr(kHosts[rng() % 5]), static_cast<long>(rng() % 4),
                                                  static_cast<long>(rng() % 3), static_cast<int>(rng() % 3),
                                                  Tag(static_cast<int>(rng() % 16))));
            } else if (what < 8) {
                rows.erase(rows.begin() + static_cast<long>(rng() % rows.size()));
            } else if (what == 8) {
                BaseAddrEnt::ForgetMsgRcvr(Tag(static_cast<int>(rng() % 16)));
            } else {
                // Fields changed in place, priorities out of order included.
                BaseAddrEnt& row = *rows[rng() % rows.size()];
                if (rng() % 2)
                    row.SetComPriority(static_cast<int>(rng() % 5));
                else
                    row.SetPid(static_cast<long>(rng() % 4));
            }
            ExpectLookupsAgree("step " + std::to_string(step));
        }
        rows.clear();
        ExpectLookupsAgree("all gone");
    }
}

// The same name looked up again and again (an answer's way back) after each
// kind of change: the answer is always the table's as it stands.
TEST(RouteIndex, ARepeatedLookupSeesEveryChangeSinceTheLastOne) {
    RuntimeScope scope("NODEA", 1);
    const bStr host("NODEB");
    auto again = [&](const char* when, BaseMsgRcvr* expected) {
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(BaseAddrEnt::LookUpRoute(bStr("NODEB"), 4, 2), expected) << when;
            EXPECT_EQ(BaseAddrEnt::LookUpRoute(host, 4, 2), WalkLookUp(host, 4, 2)) << when;
        }
    };
    auto first = std::make_unique<BaseAddrEnt>(host, 4, 2, 0, Tag(1));
    again("one route", Tag(1));
    {
        BaseAddrEnt higher(host, 4, 2, 5, Tag(2));
        again("a route of higher priority", Tag(2));
    }
    again("the higher one gone", Tag(1));
    BaseAddrEnt::ForgetMsgRcvr(Tag(1));
    again("its receiver gone", nullptr);
    BaseAddrEnt other(host, 4, 3, 0, Tag(3));
    again("a route of another thread serves the host", Tag(3));
    other.SetTid(2);
    again("that route now names the thread", Tag(3));
    first->SetMsgRcvrPtr(Tag(4));
    again("the first route's receiver back", Tag(4));
    first.reset();
    again("the first route gone", Tag(3));
}

TEST(RouteIndex, AReplacedTableIsLookedUpAsItStands) {
    RuntimeScope outer("NODEA", 1);
    BaseAddrEnt mine(bStr("NODEB"), 0, 0, Tag(1));
    {
        RuntimeScope inner("NODEA", 1);  // an empty table in place of the outer one
        EXPECT_EQ(BaseAddrEnt::LookUpRoute(bStr("NODEB"), 0, 0), nullptr);
        BaseAddrEnt other(bStr("NODEB"), 0, 0, Tag(2));
        EXPECT_EQ(BaseAddrEnt::LookUpRoute(bStr("NODEB"), 5, 5), Tag(2));
    }
    EXPECT_EQ(BaseAddrEnt::LookUpRoute(bStr("NODEB"), 5, 5), Tag(1));
}

TEST(RouteIndex, FiveThousandRoutesAreEachFound) {
    RuntimeScope scope("NODEA", 1);
    constexpr int kRoutes = 5000;
    std::vector<std::unique_ptr<BaseAddrEnt>> rows;
    rows.reserve(kRoutes);
    for (int i = 0; i < kRoutes; ++i)
        rows.emplace_back(new BaseAddrEnt(bStr("NODEA"), 100 + i, i % 7, i % 3, Tag(i % 16)));
    for (int i = 0; i < kRoutes; i += 7) EXPECT_EQ(BaseAddrEnt::LookUpRoute(bStr("NODEA"), 100 + i, i % 7), Tag(i % 16));
    EXPECT_EQ(BaseAddrEnt::LookUpRoute(bStr("NODEA"), 99, 0), nullptr);
    // The table is ordered by priority, in order of entry among equals.
    for (int i = 1; i < kRoutes; ++i) {
        const BaseAddrEnt* a = BaseAddrEnt::GetAddrEntPtr()[i - 1];
        const BaseAddrEnt* b = BaseAddrEnt::GetAddrEntPtr()[i];
        ASSERT_TRUE(a->GetComPriority() > b->GetComPriority() ||
                    (a->GetComPriority() == b->GetComPriority() && a->GetPid() < b->GetPid()))
            << i;
    }
}

}  // namespace
