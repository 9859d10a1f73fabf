#include "KitWords.h"
#include "ScriptWords.h"

#include <gtest/gtest.h>

namespace dbguard {
namespace {

struct ArgumentCase {
    const char* name;
    std::string login;
    const std::string* database;
    int e, d, s;
    const std::vector<std::string>* dependencies;
    std::string expected;
};

const std::string kDatabase = "pubs";
const std::vector<std::string> kTags = {"pipe.1", "ip.2"};
const std::vector<std::string> kNoTags;

TEST(KitWords, CreateArgumentsKeepEveryWordInItsPlace) {
    const ArgumentCase cases[] = {
        {"standby plain", "sa", nullptr, 1, 0, 1, &kTags, "P S SQLServer.0 sa '' Y N Y pipe.1 ip.2"},
        {"active plain", "sa", &kDatabase, 1, 0, 0, nullptr, "P S SQLServer.0 pubs sa '' Y N N"},
        {"no dependencies asked", "sa", nullptr, 0, 1, 0, nullptr, "P S SQLServer.0 sa '' N Y N"},
        {"dependencies asked, none held", "sa", nullptr, 0, 0, 0, &kNoTags, "P S SQLServer.0 sa '' N N N"},
        {"login with blanks", "db admin", nullptr, 1, 0, 1, nullptr, "P S SQLServer.0 'db admin' '' Y N Y"},
        {"login with a quote", "o'brien", nullptr, 1, 0, 1, nullptr, "P S SQLServer.0 'o'\\''brien' '' Y N Y"},
        {"login that looks like flags", "x Y Y dep", nullptr, 1, 1, 1, nullptr,
         "P S SQLServer.0 'x Y Y dep' '' Y Y Y"},
        {"empty login keeps its place", "", nullptr, 1, 0, 1, nullptr, "P S SQLServer.0 '' '' Y N Y"},
    };
    for (const ArgumentCase& c : cases) {
        KitCreateWords w;
        w.primary = "P";
        w.secondary = "S";
        w.tag = "SQLServer.0";
        w.database = c.database;
        w.login = c.login;
        w.restoreExecutive = c.e;
        w.restoreDtc = c.d;
        w.bringIntoService = c.s;
        w.dependencies = c.dependencies;
        const std::string text = KitCreateArguments(w);
        EXPECT_EQ(text, c.expected) << c.name;
        // Split as the runner splits: the login is one word, the password's
        // place an empty word, the flags where they belong.
        std::vector<std::string> words;
        ASSERT_TRUE(panelaid::SplitScriptWords(text, &words)) << c.name;
        const std::size_t loginAt = c.database != nullptr ? 4 : 3;
        ASSERT_GE(words.size(), loginAt + 5) << c.name;
        EXPECT_EQ(words[loginAt], c.login) << c.name;
        EXPECT_EQ(words[loginAt + 1], "") << c.name;
        EXPECT_EQ(words[loginAt + 4], c.s ? "Y" : "N") << c.name;
        EXPECT_EQ(words.size(), loginAt + 5 + (c.dependencies ? c.dependencies->size() : 0)) << c.name;
    }
}

TEST(KitWords, DatabaseListArgumentsHoldNoPassword) {
    EXPECT_EQ(DatabaseListArguments("P", "S", "sa"), "P S sa ''");
    EXPECT_EQ(DatabaseListArguments("P", "S", "a b"), "P S 'a b' ''");
}

TEST(KitWords, OddNamesStayOneWord) {
    for (const std::string text : {"vol 1", "it's", "back\\slash", "\"dq\"", "$(rm -rf x)", "-Y"}) {
        std::vector<std::string> words;
        ASSERT_TRUE(panelaid::SplitScriptWords(ScriptWord(text), &words)) << text;
        ASSERT_EQ(words.size(), 1u) << text;
        EXPECT_EQ(words[0], text);
    }
}

TEST(KitWords, CredentialsThatCannotReachAScript) {
    EXPECT_EQ(CredentialProblem("sa", std::string(kMaxPasswordBytes, 'x')), "");
    EXPECT_EQ(CredentialProblem("sa", "a b'c\\d\"e"), "");
    EXPECT_EQ(CredentialProblem("sa", std::string(kMaxPasswordBytes + 1, 'x')),
              "The System Admin. Password is longer than 1024 characters.");
    EXPECT_EQ(CredentialProblem("sa", "line\nbreak"), "The System Admin. Password may not contain a line break.");
    EXPECT_EQ(CredentialProblem("s\ra", ""), "The System Admin. ID may not contain a line break.");
}

}  // namespace
}  // namespace dbguard
