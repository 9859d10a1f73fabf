#include "SheetFixture.h"

#include <algorithm>

namespace dbguard {
namespace {

using Strings = std::vector<std::string>;
using panelaid::BoxAnswer;
using panelaid::FakeConsoleDatabase;

TEST_F(SheetFixture, TheProposedTagIsTheFirstFreeOne) {
    AddInstance("NODE1", "SQLServer.0");
    AddInstance("NODE1", "SQLServer.1");
    AddInstance("NODE2", "SQLServer.2");  // only the primary's database counts
    OpenStandby();
    EXPECT_EQ(sheet.HierarchyPage().tag, "SQLServer.2");
    EXPECT_EQ(sheet.HierarchyPage().tagAcceptable, 1);
}

TEST_F(SheetFixture, WithEveryTagInUseTheLastIsProposedAndRefused) {
    for (int n = 0; n <= 254; ++n) AddInstance("NODE1", "SQLServer." + std::to_string(n));
    OpenStandby();
    CKitPage& page = sheet.HierarchyPage();
    EXPECT_EQ(page.tag, "SQLServer.254");
    EXPECT_EQ(page.tagAcceptable, 0);
    EXPECT_EQ(host.BoxTexts().back(), "The tag name 'SQLServer.254' is already in use.  Please try again.");
    // Apply refuses it as well, before any script.
    const std::size_t runs = host.runner.calls.size();
    page.OnApply();
    EXPECT_EQ(host.runner.calls.size(), runs);
    EXPECT_TRUE(page.focusTag);
}

TEST_F(SheetFixture, TagChecks) {
    AddInstance("NODE1", "used");
    OpenStandby();
    CKitPage& page = sheet.HierarchyPage();
    struct Case {
        std::string tag;
        int acceptable;
        const char* message;
    } cases[] = {
        {"", 0, nullptr},
        {"bad tag!", 0, "The tag name 'bad tag!' is not valid.  Please try again."},
        {"used", 0, "The tag name 'used' is already in use.  Please try again."},
        {"fresh.1", 1, nullptr},
    };
    for (const Case& c : cases) {
        const std::size_t before = host.boxes.Shown().size();
        page.OnTagEdited(c.tag);
        page.OnTagKillFocus();
        EXPECT_EQ(page.tagAcceptable, c.acceptable) << c.tag;
        const Strings boxes = host.BoxTexts();
        if (c.message != nullptr) {
            ASSERT_EQ(boxes.size(), before + 1) << c.tag;
            EXPECT_EQ(boxes.back(), c.message);
        } else {
            EXPECT_EQ(boxes.size(), before) << c.tag;
        }
    }
}

TEST_F(SheetFixture, ActiveActiveTagNeedsASelectedEntry) {
    OpenActive({"D: pubs"});
    CSQL_ActiveActive& page = sheet.ActiveActive();
    page.OnTagKillFocus();
    EXPECT_EQ(page.tagAcceptable, 1);
    page.LinkSelection(true, 0, false);
    EXPECT_FALSE(page.databaseList[0].selected);
    EXPECT_FALSE(page.volumeList[0].selected);
    EXPECT_EQ(page.tagAcceptable, 0);
    page.LinkSelection(false, 0, true);
    EXPECT_TRUE(page.databaseList[0].selected);
    EXPECT_EQ(page.tagAcceptable, 1);
}

TEST_F(SheetFixture, SelectionWalksConnectedEntriesBothWaysWithoutRegardToCase) {
    // pubs and north share D:, north also lies on E:, which holds west; F:
    // is apart. The second line names the volume "d:", a different key that
    // the list search finds as "D:".
    OpenActive({"D: pubs north", "E: north west", "F: alone", "d: other"});
    CSQL_ActiveActive& page = sheet.ActiveActive();
    for (auto* list : {&page.databaseList, &page.volumeList})
        for (ListItem& i : *list) i.selected = false;
    page.LinkSelection(true, 0, true);  // pubs
    EXPECT_EQ(SelectedTexts(page.databaseList), (Strings{"pubs", "north", "west"}));
    EXPECT_EQ(SelectedTexts(page.volumeList), (Strings{"D:", "E:"}));
    page.LinkSelection(false, 3, true);  // d:, found in the list as D:
    EXPECT_EQ(SelectedTexts(page.databaseList), (Strings{"pubs", "north", "west", "other"}));
    page.LinkSelection(false, 1, false);  // E: off takes the whole set off
    EXPECT_EQ(SelectedTexts(page.databaseList), (Strings{"other"}));
    EXPECT_EQ(SelectedTexts(page.volumeList), (Strings{"d:"}));
}

TEST_F(SheetFixture, StandbyCreationRunsItsStepsInOrder) {
    OpenStandby();
    CKitPage& page = sheet.HierarchyPage();
    const std::size_t from = host.runner.calls.size();
    host.boxes.Answer(BoxAnswer::Ok);  // the switchover warning
    page.OnApply();
    EXPECT_EQ(JournalFrom(from), (Strings{
                                     "/admin/bin/Create NODE1 NODE2 .PreCreate 77",
                                     "/admin/kit/dbguard/bin/ascreate NODE1 NODE2 SQLServer.0 sa '' Y N Y",
                                     "/admin/bin/Create NODE1 NODE2 SQLServer.0 77",
                                     "/admin/bin/Create NODE1 NODE2 .PostCreate 77",
                                 }));
    EXPECT_EQ(host.runner.progress, (Strings{"Executing PreCreate scripts on NODE1", "Installing hierarchy",
                                             "Bringing SQLServer.0 into service on NODE1",
                                             "Executing PostCreate scripts on NODE1"}));
    EXPECT_EQ(host.pushed, (Strings{"Registering application database", "Registering resource dbguard"}));
    const auto boxes = host.boxes.Shown();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, "Warning");
    EXPECT_EQ(boxes[0].buttons, panelaid::BoxButtons::OkCancel);
    EXPECT_EQ(boxes[0].text,
              "You have chosen to bring SQLServer.0 into service.\n\nIf this SQL Server is running on NODE1 or NODE2, "
              "it will be stopped and restarted on NODE1.\n\nThis may result in a brief interruption of service.");
    EXPECT_EQ(boxes[1].text, "SQL Hierarchy creation was successful for SQLServer.0.");
    EXPECT_TRUE(sheet.Ended());
    EXPECT_EQ(sheet.Result(), 1);
    EXPECT_EQ(sheet.validConfiguration, 0);
    EXPECT_EQ(block.m_resultTag, "SQLServer.0");
    // Registered on both systems.
    for (const char* machine : {"NODE1", "NODE2"}) {
        EXPECT_NE(host.db.ApplicationCreate(machine, "database"), 0) << machine;
        EXPECT_NE(host.db.TypeCreate(machine, "database", "dbguard"), 0) << machine;
    }
}

TEST_F(SheetFixture, DeclinedWarningOrUnsetBringInServiceChangeWhatRuns) {
    OpenStandby();
    CKitPage& page = sheet.HierarchyPage();
    std::size_t from = host.runner.calls.size();
    host.boxes.Answer(BoxAnswer::Cancel);
    page.OnApply();
    EXPECT_TRUE(JournalFrom(from).empty());
    EXPECT_FALSE(sheet.Ended());

    page.bringIntoService = 0;
    from = host.runner.calls.size();
    const std::size_t boxes = host.boxes.Shown().size();
    host.runner.Answer(kStandbyCreateScript, {1, {}});
    page.OnApply();
    EXPECT_EQ(JournalFrom(from), (Strings{
                                     "/admin/bin/Create NODE1 NODE2 .PreCreate 77",
                                     "/admin/kit/dbguard/bin/ascreate NODE1 NODE2 SQLServer.0 sa '' Y N N",
                                     "/admin/bin/Create NODE1 NODE2 .PostCreate 77",
                                 }));
    // No warning, and a failed script ends nothing.
    EXPECT_EQ(host.boxes.Shown().size(), boxes);
    EXPECT_FALSE(sheet.Ended());
}

TEST_F(SheetFixture, RegistrationFailuresOtherThanExistingRaiseTheAdvisoryBox) {
    OpenStandby();
    CKitPage& page = sheet.HierarchyPage();
    page.bringIntoService = 0;
    host.db.ApplicationCreate("NODE2", "database");  // exists: code 4, no box
    host.db.FailNext(FakeConsoleDatabase::Op::TypeCreate, 7, "typ_create: locked", 2);
    host.boxes.Answer(BoxAnswer::Retry);
    host.boxes.Answer(BoxAnswer::Ignore);
    page.OnApply();
    const auto boxes = host.boxes.Shown();
    // Two advisory boxes, then the success message.
    ASSERT_EQ(boxes.size(), 3u) << ::testing::PrintToString(host.BoxTexts());
    for (const auto& b : {boxes[0], boxes[1]}) {
        EXPECT_EQ(b.buttons, panelaid::BoxButtons::AbortRetryIgnore);
        EXPECT_EQ(b.text.rfind("typ_create(CP(m_sPrimary), CP(sApp_name), CP(m_szKitAppName)) == 0 || Qdb_errno == "
                               "QDB_E_EXIST\ncore/admin/subsys/dbguard/dll/kitpage: 1013\n",
                               0),
                  0u)
            << b.text;
    }
    // Retry repeated the call, Ignore went on to the secondary.
    EXPECT_EQ(host.db.Calls(FakeConsoleDatabase::Op::TypeCreate), 3);
    EXPECT_EQ(host.db.Calls(FakeConsoleDatabase::Op::ApplicationCreate), 3);
    EXPECT_EQ(host.Journal().back(), "/admin/bin/Create NODE1 NODE2 .PostCreate 77");
}

TEST_F(SheetFixture, ActiveActiveCreatesOneHierarchyPerDatabase) {
    host.onEnum = [](RecoveryKitControlBlock* b) {
        b->m_resultTag = "pipe.1";
        b->m_status = 1;
    };
    host.files = {"admin/kit/pipeguard/pipeguard.inf"};
    OpenActive({"D: first second third"});
    CSQL_ActiveActive& page = sheet.ActiveActive();
    EXPECT_TRUE(page.namedPipeEnabled);
    EXPECT_FALSE(page.tcpipEnabled);
    page.OnNamedPipe();
    ASSERT_EQ(page.existingDependencies, Strings{"pipe.1"});
    // The first database fails and the user goes on: the dependency tag
    // stays for the first one created.
    host.runner.Answer(kActiveCreateScript, {5, {}});
    host.runner.Answer(kActiveCreateScript, {0, {}});
    host.boxes.Answer(BoxAnswer::Ok);   // warning
    host.boxes.Answer(BoxAnswer::Yes);  // go on after "first"
    page.OnApply();
    Strings kit;
    for (const auto& c : host.runner.calls)
        if (c.script == kActiveCreateScript) kit.push_back(c.args);
    EXPECT_EQ(kit, (Strings{"NODE1 NODE2 SQLServer.0 first sa '' Y N N pipe.1",
                            "NODE1 NODE2 SQLServer.0 second sa '' Y N N pipe.1",
                            "NODE1 NODE2 SQLServer.0 third sa '' Y N Y"}));
    const Strings boxes = host.BoxTexts();
    EXPECT_EQ(boxes[1],
              "The resource creation for database first failed.  This database will not be protected by Holdervane - "
              "do you want to continue with the SQL Server resource creation?");
    // The fake scripts create no instance, so no success message: the page stays.
    EXPECT_EQ(sheet.SelectedTab(), 1);
    EXPECT_EQ(page.bringIntoService, 1);
}

TEST_F(SheetFixture, ActiveActiveStopsWhenTheUserSaysNoAndReportsWhatWasCreated) {
    OpenActive({"D: first second", "E: third"});
    CSQL_ActiveActive& page = sheet.ActiveActive();
    host.runner.Answer(kActiveCreateScript, {0, {}});
    host.runner.Answer(kActiveCreateScript, {3, {}});
    host.boxes.Answer(BoxAnswer::Ok);
    host.boxes.Answer(BoxAnswer::No);
    // The kit script's hierarchy, as the real one would leave it.
    host.onScript = [this](const std::string& script) {
        if (script == kActiveCreateScript) AddDbguardInstance("NODE1", "SQLServer.0");
    };
    page.OnApply();
    Strings runs = host.Journal();
    EXPECT_EQ(std::count_if(runs.begin(), runs.end(),
                            [](const std::string& r) { return r.rfind(kActiveCreateScript, 0) == 0; }),
              2);
    // Stopped before the last database: nothing brought into service.
    EXPECT_EQ(runs.back(), "/admin/bin/Create NODE1 NODE2 .PostCreate 77");
    EXPECT_EQ(runs[runs.size() - 2], std::string(kActiveCreateScript) + " NODE1 NODE2 SQLServer.0 second sa '' Y N N");
    EXPECT_EQ(host.BoxTexts().back(),
              "SQL Hierarchy creation was successful for SQLServer.0.\nIncluded are databases:  first");
    EXPECT_EQ(sheet.validConfiguration, 0);
    EXPECT_EQ(sheet.SelectedTab(), 0);
}

TEST_F(SheetFixture, DependenciesThroughOtherKits) {
    int created = 0;
    host.onEnum = [](RecoveryKitControlBlock* b) {
        b->m_resultTag = "ip.old";
        b->m_status = b->m_kit == "addrguard" ? 1 : 4;
    };
    host.onCreate = [&created](RecoveryKitControlBlock* b) {
        b->m_resultTag = "pipe.new" + std::to_string(created++);
        b->m_status = 1;
    };
    OpenStandby();
    CKitPage& page = sheet.HierarchyPage();
    page.OnTcpIp();
    page.OnTcpIp();  // the same tag again adds nothing
    page.OnNamedPipe();
    page.OnNamedPipe();
    EXPECT_EQ(page.existingDependencies, Strings{"ip.old"});
    EXPECT_EQ(page.newDependencies, (Strings{"pipe.new0", "pipe.new1"}));
    ASSERT_EQ(page.dependencyList.size(), 3u);
    // What the other kits were given.
    ASSERT_EQ(host.enumCalls.size(), 4u);
    EXPECT_EQ(host.enumCalls[2].m_kit, "pipeguard");
    EXPECT_EQ(host.enumCalls[2].m_primarySystems, Strings{"NODE1"});
    EXPECT_EQ(host.enumCalls[2].m_secondarySystems, Strings{"NODE2"});
    EXPECT_EQ(host.enumCalls[2].m_pid, "77");
    EXPECT_EQ(host.enumCalls[3].m_tags, (Strings{"ip.old", "pipe.new0"}));
    EXPECT_TRUE(host.createCalls[1].m_tags.empty());

    // Deleting one new and the existing one: only the new one is deleted by script.
    page.OnDependencySelected(0, true);
    page.OnDependencySelected(1, true);
    EXPECT_TRUE(page.deleteEnabled);
    std::size_t from = host.runner.calls.size();
    page.OnDelete();
    EXPECT_EQ(JournalFrom(from), (Strings{"/admin/bin/Delete NODE1 NODE2 .PreDelete 77",
                                          "/admin/bin/Delete NODE1 NODE2 pipe.new0 77",
                                          "/admin/bin/Delete NODE1 NODE2 .PostDelete 77"}));
    EXPECT_FALSE(page.deleteEnabled);

    // Clear asks first; No keeps everything.
    host.boxes.Answer(BoxAnswer::No);
    page.OnClear();
    EXPECT_EQ(page.newDependencies, Strings{"pipe.new1"});

    // Close deletes what was created and not used, and ends with 1.
    from = host.runner.calls.size();
    sheet.Close();
    EXPECT_EQ(JournalFrom(from), (Strings{"/admin/bin/Delete NODE1 NODE2 .PreDelete 77",
                                          "/admin/bin/Delete NODE1 NODE2 pipe.new1 77",
                                          "/admin/bin/Delete NODE1 NODE2 .PostDelete 77"}));
    EXPECT_TRUE(sheet.Ended());
    EXPECT_EQ(sheet.Result(), 1);
}

TEST_F(SheetFixture, AMissingOrFailingDependencyKitAddsNothingAndSaysSo) {
    struct Case {
        int enumStatus, createStatus;
        const char* message;
    } cases[] = {
        {3, 0, "The recovery kit pipeguard cannot be used (status 3)."},
        {4, 4, "The pipeguard hierarchy could not be created."},
        {4, 3, "The pipeguard hierarchy could not be created."},
        {2, 0, nullptr},
    };
    OpenStandby();
    CKitPage& page = sheet.HierarchyPage();
    for (const Case& c : cases) {
        host.onEnum = [&c](RecoveryKitControlBlock* b) { b->m_status = c.enumStatus; };
        host.onCreate = [&c](RecoveryKitControlBlock* b) {
            b->m_resultTag = "half";
            b->m_status = c.createStatus;
        };
        const std::size_t boxes = host.boxes.Shown().size();
        page.OnNamedPipe();
        EXPECT_TRUE(page.dependencyList.empty()) << c.enumStatus << c.createStatus;
        if (c.message != nullptr) {
            ASSERT_EQ(host.boxes.Shown().size(), boxes + 1);
            EXPECT_EQ(host.BoxTexts().back(), c.message);
        } else {
            EXPECT_EQ(host.boxes.Shown().size(), boxes);
        }
    }
}

}  // namespace
}  // namespace dbguard
