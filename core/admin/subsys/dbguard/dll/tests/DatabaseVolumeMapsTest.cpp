#include "DatabaseVolumeMaps.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace dbguard {
namespace {

using Strings = std::vector<std::string>;

Strings Keys(const CAssocList& list) {
    Strings k;
    for (const auto& e : list.Entries()) k.push_back(e.key);
    return k;
}

Strings ValuesOf(const CAssocList& list, const std::string& key) {
    const CAssocList::Entry* e = list.Find(key);
    return e != nullptr ? e->values : Strings{"<none>"};
}

Strings Sorted(Strings s) {
    std::sort(s.begin(), s.end());
    return s;
}

TEST(DatabaseVolumeMaps, LinesFillBothMaps) {
    DatabaseVolumeMaps maps;
    std::string problem;
    for (const char* line : {"D: pubs north ", "E:", "", "F: south", "D: west east", " x"})
        ASSERT_TRUE(maps.AddLine(line, &problem)) << line;
    // A trailing blank adds no empty name; a line without a blank or an
    // empty line adds nothing; a repeated volume adds its first database only.
    EXPECT_EQ(Keys(maps.Volumes()), (Strings{"D:", "F:", ""}));
    EXPECT_EQ(ValuesOf(maps.Volumes(), "D:"), (Strings{"pubs", "north", "west"}));
    EXPECT_EQ(Keys(maps.Databases()), (Strings{"pubs", "north", "south", "west", "east", "x"}));
    EXPECT_EQ(ValuesOf(maps.Databases(), "east"), (Strings{"D:"}));
}

TEST(DatabaseVolumeMaps, LinesPastTheBoundsAreRefusedWhole) {
    DatabaseVolumeMaps maps;
    std::string problem;
    EXPECT_FALSE(maps.AddLine("V " + std::string(100 * 1024, 'd'), &problem));
    EXPECT_EQ(problem, "a line is longer than 65536 characters");
    EXPECT_FALSE(maps.AddLine("V " + std::string(200, 'd'), &problem));
    EXPECT_EQ(problem, "a name is longer than 128 characters");
    EXPECT_EQ(maps.Volumes().Size() + maps.Databases().Size(), 0u);
}

class Walk : public ::testing::Test {
protected:
    void SetUp() override {
        std::string problem;
        // A-B share V1, B-C share V2; D alone on V3; E on V4 and V1.
        for (const char* line : {"V1 A B", "V2 B C", "V3 D", "V4 E", "V1 E"}) ASSERT_TRUE(maps.AddLine(line, &problem));
    }
    DatabaseVolumeMaps maps;
};

TEST_F(Walk, ReachesTheConnectedSetFromEitherSide) {
    const auto fromDatabase = maps.Walk("C", true);
    EXPECT_EQ(Sorted(fromDatabase.databases), (Strings{"A", "B", "C", "E"}));
    EXPECT_EQ(Sorted(fromDatabase.volumes), (Strings{"V1", "V2", "V4"}));
    const auto fromVolume = maps.Walk("V4", false);
    EXPECT_EQ(Sorted(fromVolume.databases), (Strings{"A", "B", "C", "E"}));
    EXPECT_EQ(Sorted(fromVolume.volumes), (Strings{"V1", "V2", "V4"}));
    const auto alone = maps.Walk("V3", false);
    EXPECT_EQ(alone.databases, (Strings{"D"}));
    EXPECT_EQ(alone.volumes, (Strings{"V3"}));
    EXPECT_TRUE(maps.Walk("", true).databases.empty());
    EXPECT_TRUE(maps.Walk("nowhere", true).databases.empty());
}

TEST(DatabaseVolumeMapsWalk, ManyDatabasesOnSharedVolumesVisitEachOnce) {
    // Every database on every volume: a walk along every simple path would
    // never end; each key is reached exactly once.
    DatabaseVolumeMaps maps;
    std::string problem;
    std::string databases;
    for (int d = 0; d < 20; ++d) databases += " db" + std::to_string(d);
    for (int v = 0; v < 5; ++v)
        for (int d = 0; d < 20; ++d)
            ASSERT_TRUE(maps.AddLine("vol" + std::to_string(v) + (d == 0 ? databases : " db" + std::to_string(d)),
                                     &problem));
    const auto reached = maps.Walk("db7", true);
    EXPECT_EQ(reached.databases.size(), 20u);
    EXPECT_EQ(reached.volumes.size(), 5u);
}

}  // namespace
}  // namespace dbguard
