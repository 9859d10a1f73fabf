// The backup system of a hierarchy and the roots above a resource.
#include "FakeConsoleDatabase.h"
#include "HierarchyQueries.h"

#include <gtest/gtest.h>

namespace panelaid {
namespace {

class HierarchyQueriesTest : public ::testing::Test {
protected:
    void TearDown() override { db_.ClearError(); }
    void ExpectClearError() {
        std::string text;
        EXPECT_EQ(db_.ErrorNumber(), 0);
        EXPECT_FALSE(db_.ErrorText(&text));
    }
    FakeConsoleDatabase db_{"SYSA"};
    HierarchyQueries queries_{db_};
};

TEST_F(HierarchyQueriesTest, AChildsBackupWinsBeforeTheResourcesOwn) {
    // top -> mid -> leaf; leaf's shared equivalency names SYSC, top's SYSB.
    db_.AddDependency("SYSA", "top", "mid");
    db_.AddDependency("SYSA", "mid", "leaf");
    db_.AddEquivalency("SYSA", "SYSA", "top", "SYSB", "top-b");
    db_.AddEquivalency("SYSA", "SYSA", "leaf", "SYSC", "leaf-c");
    std::string backup = "unchanged";
    EXPECT_TRUE(queries_.GetBackupMachine("SYSA", "top", &backup));
    EXPECT_EQ(backup, "SYSC");
    ExpectClearError();
}

TEST_F(HierarchyQueriesTest, TheSecondaryOfAnEquivalencyGetsThePrimary) {
    db_.AddEquivalency("SYSA", "SYSB", "db-b", "SYSA", "db");
    std::string backup;
    EXPECT_TRUE(queries_.GetBackupMachine("SYSA", "db", &backup));
    EXPECT_EQ(backup, "SYSB");
    // A common equivalency is no backup; another machine's side neither.
    db_.AddEquivalency("SYSA", "SYSA", "ip", "SYSB", "ip-b", 'C');
    db_.AddEquivalency("SYSA", "SYSX", "disk", "SYSY", "disk-y");
    backup = "unchanged";
    EXPECT_FALSE(queries_.GetBackupMachine("SYSA", "ip", &backup));
    EXPECT_FALSE(queries_.GetBackupMachine("SYSA", "disk", &backup));
    EXPECT_EQ(backup, "unchanged");
    ExpectClearError();
}

TEST_F(HierarchyQueriesTest, AResourceWithoutItsOwnBackupTakesItsRootsHierarchys) {
    // root -> a -> b; root's other child c has the backup.
    db_.AddDependency("SYSA", "root", "a");
    db_.AddDependency("SYSA", "a", "b");
    db_.AddDependency("SYSA", "root", "c");
    db_.AddEquivalency("SYSA", "SYSA", "c", "SYSB", "c-b");
    std::string backup;
    EXPECT_TRUE(queries_.GetBackupMachine("SYSA", "b", &backup));
    EXPECT_EQ(backup, "SYSB");
}

TEST_F(HierarchyQueriesTest, RootsOfADiamondAreListedOnceAndATagWithoutParentsIsItsOwnRoot) {
    db_.AddDependency("SYSA", "top", "left");
    db_.AddDependency("SYSA", "top", "right");
    db_.AddDependency("SYSA", "left", "bottom");
    db_.AddDependency("SYSA", "right", "bottom");
    db_.AddDependency("SYSA", "other", "bottom");
    EXPECT_EQ(queries_.RootList("SYSA", "bottom"), (std::vector<std::string>{"top", "other"}));
    EXPECT_EQ(queries_.RootList("SYSA", "alone"), (std::vector<std::string>{"alone"}));
    EXPECT_TRUE(queries_.RootList("SYSA", nullptr).empty());
    ExpectClearError();
}

TEST_F(HierarchyQueriesTest, AtMost5000RootsAreCollected) {
    for (int i = 0; i < 5003; ++i) db_.AddDependency("SYSA", "r" + std::to_string(i), "child");
    const std::vector<std::string> roots = queries_.RootList("SYSA", "child");
    ASSERT_EQ(roots.size(), HierarchyQueries::kMaxRoots);
    EXPECT_EQ(roots.front(), "r0");
    EXPECT_EQ(roots.back(), "r4999");
}

TEST_F(HierarchyQueriesTest, ALoopInADamagedDatabaseEnds) {
    db_.AddDependency("SYSA", "a", "b");
    db_.AddDependency("SYSA", "b", "a");
    std::string backup;
    EXPECT_FALSE(queries_.GetBackupMachine("SYSA", "a", &backup));
    EXPECT_TRUE(queries_.RootList("SYSA", "a").empty());
}

// Chains longer than a search goes are not followed to their end (a damaged
// database's endless chain would exhaust the stack); the root list says so.
TEST_F(HierarchyQueriesTest, AChainPastTheDepthIsNotFollowed) {
    const int depth = HierarchyQueries::kMaxDepth;
    struct Case {
        const char* chain;
        int links;
        bool complete;
    } cases[] = {{"short", depth - 1, true}, {"long", depth + 5, false}};
    for (const Case& c : cases) {
        auto tag = [&c](int i) { return c.chain + std::to_string(i); };
        for (int i = 0; i < c.links; ++i) db_.AddDependency("SYSA", tag(i), tag(i + 1));
        db_.AddEquivalency("SYSA", "SYSA", tag(c.links), "SYSB", tag(c.links));
        std::string backup;
        EXPECT_EQ(queries_.GetBackupMachine("SYSA", tag(0).c_str(), &backup), c.complete) << c.chain;
        bool readFailed = false;
        const std::vector<std::string> roots = queries_.RootList("SYSA", tag(c.links).c_str(), &readFailed);
        EXPECT_EQ(readFailed, !c.complete) << c.chain;
        EXPECT_EQ(roots, c.complete ? std::vector<std::string>{tag(0)} : std::vector<std::string>{}) << c.chain;
        ExpectClearError();
    }
}

}  // namespace
}  // namespace panelaid
