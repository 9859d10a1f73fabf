#include "SheetFixture.h"

#include <algorithm>

namespace dbguard {
namespace {

using Strings = std::vector<std::string>;
using Outcome = panelaid::FakeScriptRunner::Outcome;

TEST_F(SheetFixture, OpeningTakesTheDefaultSystemsAndTheRootDirectory) {
    block.m_primarySystems = {"NODE2"};
    block.m_secondarySystems = {"NODE2", "NODE3"};
    Open();
    EXPECT_EQ(sheet.SelectedTab(), 0);
    EXPECT_EQ(sheet.rootDirectory, "/opt/hv");
    EXPECT_EQ(host.Journal(), (Strings{"/bin/getrootdir -d NODE2"}));
    CClusDef& page = sheet.Cluster();
    EXPECT_EQ(page.primaryItems[static_cast<std::size_t>(page.primarySelected)], "NODE2");
    EXPECT_EQ(page.secondaryItems[static_cast<std::size_t>(page.secondarySelected)], "NODE3");
    EXPECT_TRUE(page.applyEnabled);
}

struct ReadCase {
    const char* name;
    Outcome sqlconfg;
    Outcome getsqldb;
    bool existingHierarchy;
    int valid;
    bool activeActive;
    std::size_t databases;
    const char* message;  // a box shown by the read itself, or null
};

TEST_F(SheetFixture, ServerConfigurationReads) {
    std::vector<std::string> many(10000, "V D");
    const ReadCase cases[] = {
        {"active", {0, {"Active", "ignored"}}, {0, {"D: pubs north", "E: south"}}, false, 1, true, 3, nullptr},
        {"active, no databases", {0, {"Active"}}, {0, {}}, false, 1, true, 0, nullptr},
        {"active, blank lines", {0, {"Active"}}, {0, {"", "", ""}}, false, 1, true, 0, nullptr},
        {"standby", {0, {"Standby"}}, {}, false, 1, false, 0, nullptr},
        {"standby with a hierarchy", {0, {"Standby"}}, {}, true, 0, true, 0, nullptr},
        {"unknown first line", {0, {"standby"}}, {}, false, 0, true, 0, nullptr},
        {"sqlconfg prints nothing", {0, {}}, {}, false, 0, true, 0, nullptr},
        {"sqlconfg fails", {1, {"Active"}}, {}, false, 0, true, 0, nullptr},
        {"getsqldb fails", {0, {"Active"}}, {2, {"D: pubs"}}, false, 0, true, 0, nullptr},
        {"getsqldb 100 KB line", {0, {"Active"}}, {0, {"D: pubs", "V " + std::string(100 * 1024, 'x')}}, false, 0, true,
         0, "The database list of getsqldb cannot be used: a line is longer than 65536 characters."},
        {"getsqldb 10,000 lines", {0, {"Active"}}, {0, many}, false, 0, true, 0,
         "The database list of getsqldb cannot be used: more than 5000 lines."},
    };
    for (const ReadCase& c : cases) {
        FakeKitHost h;
        h.runner.Answer(kConfigScript, c.sqlconfg);
        h.runner.Answer(kDatabaseListScript, c.getsqldb);
        if (c.existingHierarchy) {
            panelaid::FakeConsoleDatabase::Instance i;
            i.application = "database";
            i.type = "dbguard";
            i.tag = "SQLServer.0";
            h.db.AddInstance("NODE1", i);
        }
        CKitSheet s(h);
        s.InitFromBlock(&block);
        s.Start();
        s.Cluster().OnApply();
        EXPECT_EQ(s.validConfiguration, c.valid) << c.name;
        EXPECT_EQ(s.SelectedTab(), c.valid ? 1 : 0) << c.name;
        EXPECT_EQ(s.HierarchyIsActiveActive(), c.activeActive) << c.name;
        EXPECT_EQ(s.ActiveActive().databaseList.size(), c.databases) << c.name;
        EXPECT_EQ(s.ActiveActive().Maps().Databases().Size(), c.databases) << c.name;
        const Strings boxes = h.BoxTexts();
        if (c.message != nullptr) {
            EXPECT_EQ(boxes, Strings{c.message}) << c.name;
        } else {
            EXPECT_TRUE(std::none_of(boxes.begin(), boxes.end(), [](const std::string& t) {
                return t.rfind("The database list", 0) == 0;
            })) << c.name;
        }
        // An invalid configuration keeps the page.
        if (c.valid == 0) {
            EXPECT_FALSE(s.UserSelectsTab(1)) << c.name;
            EXPECT_EQ(h.BoxTexts().back(), kNotValidText) << c.name;
        }
    }
}

TEST_F(SheetFixture, ThePasswordTravelsOnlyInTheEnvironment) {
    const std::string password = "p w'\"\\x\\\\y";
    host.runner.Answer(kConfigScript, {0, {"Active"}});
    Open();
    sheet.Cluster().OnLoginEdited("db admin");
    sheet.Cluster().OnPasswordEdited(password);
    ASSERT_TRUE(sheet.UserSelectsTab(1));
    const auto& call = host.runner.calls.back();
    EXPECT_EQ(call.script, kDatabaseListScript);
    EXPECT_EQ(call.args, "NODE1 NODE2 'db admin' ''");
    EXPECT_EQ(call.env, (panelaid::Environment{{"DBGUARD_PASSWORD", password}}));
    for (const auto& c : host.runner.calls) EXPECT_EQ(c.args.find("x\\"), std::string::npos) << c.script;
}

TEST_F(SheetFixture, CredentialsThatCannotBeHandedOverReadNothing) {
    Open();
    for (const std::string& password : {std::string("two\nlines"), std::string(1025, 'p')}) {
        sheet.Cluster().OnPasswordEdited(password);
        EXPECT_FALSE(sheet.UserSelectsTab(1));
        EXPECT_EQ(sheet.validConfiguration, 0);
    }
    EXPECT_EQ(host.Journal(), (Strings{"/bin/getrootdir -d NODE1"}));
    const Strings boxes = host.BoxTexts();
    EXPECT_NE(std::find(boxes.begin(), boxes.end(), "The System Admin. Password may not contain a line break."),
              boxes.end());
}

TEST_F(SheetFixture, EqualSystemsAreRefusedBeforeAnyScript) {
    block.m_primarySystems = {};
    block.m_secondarySystems = {};
    Open();
    EXPECT_FALSE(sheet.UserSelectsTab(1));
    EXPECT_EQ(sheet.SelectedTab(), 0);
    EXPECT_EQ(host.BoxTexts(), Strings{kSameSystemsText});
    EXPECT_EQ(host.Journal(), (Strings{"/bin/getrootdir -d NODE1"}));
}

TEST_F(SheetFixture, ALoginChangeReadsAgainWithTheNewLogin) {
    OpenStandby();
    sheet.SelectTab(0);
    EXPECT_FALSE(sheet.Cluster().applyEnabled);
    sheet.Cluster().OnLoginEdited("admin");
    EXPECT_TRUE(sheet.Cluster().applyEnabled);
    ASSERT_TRUE(sheet.UserSelectsTab(1));
    EXPECT_EQ(host.Journal().back(), std::string(kConfigScript) + " NODE1 NODE2");
    EXPECT_EQ(sheet.login, "admin");
    // Selecting the systems already applied leaves Apply off.
    sheet.SelectTab(0);
    sheet.Cluster().OnPrimarySelected(sheet.Cluster().primarySelected);
    EXPECT_FALSE(sheet.Cluster().applyEnabled);
}

TEST_F(SheetFixture, ClearRestoresTheDefaultsWithoutReading) {
    OpenStandby();
    sheet.SelectTab(0);
    const std::size_t runs = host.runner.calls.size();
    sheet.Cluster().OnClear();
    EXPECT_EQ(sheet.Cluster().login, "sa");
    EXPECT_EQ(sheet.Cluster().password, "");
    EXPECT_EQ(sheet.login, "sa");
    EXPECT_EQ(sheet.password, "");
    EXPECT_EQ(host.runner.calls.size(), runs);
}

TEST_F(SheetFixture, HelpFollowsThePageShown) {
    OpenStandby();
    sheet.Help();
    sheet.SelectTab(0);
    sheet.Help();
    EXPECT_EQ(host.help, (std::vector<int>{520, 518}));
}

}  // namespace
}  // namespace dbguard
