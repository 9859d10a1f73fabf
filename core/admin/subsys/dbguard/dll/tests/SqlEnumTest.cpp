#include "CSQL_Enum.h"
#include "FakeConsoleDatabase.h"

#include <gtest/gtest.h>

namespace dbguard {
namespace {

using Strings = std::vector<std::string>;

void AddHierarchy(panelaid::FakeConsoleDatabase& db, const std::string& tag, const std::string& backup,
                  const std::string& application = "database", const std::string& type = "dbguard") {
    panelaid::FakeConsoleDatabase::Instance i;
    i.application = application;
    i.type = type;
    i.tag = tag;
    db.AddInstance("NODE1", i);
    db.AddEquivalency("NODE1", "NODE1", tag, backup, tag);
}

TEST(SqlEnum, OffersTheSortedHierarchiesBackedByTheSecondSystem) {
    panelaid::FakeConsoleDatabase db;
    RecoveryKitControlBlock block;
    block.m_primarySystems = {"NODE1"};
    block.m_secondarySystems = {"NODE2", "NODE3"};
    EXPECT_TRUE(CSQL_Enum::OfferedTags(db, block).empty());
    AddHierarchy(db, "sql.b", "NODE2");
    AddHierarchy(db, "sql.a", "NODE2");
    AddHierarchy(db, "sql.elsewhere", "NODE3");
    AddHierarchy(db, "pipe.x", "NODE2", "comm", "pipeguard");
    EXPECT_EQ(CSQL_Enum::OfferedTags(db, block), (Strings{"sql.a", "sql.b"}));
    block.m_secondarySystems.clear();
    EXPECT_TRUE(CSQL_Enum::OfferedTags(db, block).empty());
    std::string text;
    EXPECT_FALSE(db.ErrorText(&text));
}

TEST(SqlEnum, TheDialogsAnswerInTheBlock) {
    struct Case {
        int result;
        int status;
        const char* tag;
    } cases[] = {{1, 1, "sql.a"}, {2, 2, "kept"}, {kEnumNewResult, 4, "kept"}, {-1, -1, "sql.a"}};
    for (const Case& c : cases) {
        RecoveryKitControlBlock block;
        block.m_resultTag = "kept";
        CSQL_Enum::StoreResult(c.result, "sql.a", &block);
        EXPECT_EQ(block.m_status, c.status) << c.result;
        EXPECT_EQ(block.m_resultTag, c.tag) << c.result;
    }
}

}  // namespace
}  // namespace dbguard
