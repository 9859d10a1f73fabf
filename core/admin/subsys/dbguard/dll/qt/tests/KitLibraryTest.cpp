// The kit through the real loader: the entries' results, the windows gone
// and the library unloaded after each call, and the sheet driven as a user
// drives it over the stand-ins.
#include "KitFixture.h"

#include "KitLoader.h"

namespace dbguard {
namespace {

TEST_F(KitLibrary, EnumerateWithNothingToOfferGivesFourWithoutAWindow) {
    AddHierarchy("SQLServer.9", "NODE3");  // backed by another system: not offered
    block_.m_resultTag = "kept";
    EnumHierarchy(&block_);
    EXPECT_EQ(block_.m_status, 4);
    EXPECT_EQ(block_.m_resultTag, "kept");
    EXPECT_FALSE(KitMapped());
}

TEST_F(KitLibrary, EnumerateOffersTheSortedTagsAndAnswersCancelAndOk) {
    AddHierarchy("SQLServer.5", "NODE2");
    AddHierarchy("SQLServer.1", "NODE2");
    AddHierarchy("SQLServer.3", "NODE3");
    struct Case {
        const char* button;
        int status;
        const char* tag;
    } cases[] = {{"cancel", 2, "kept"}, {"ok", 1, "SQLServer.1"}, {"new", 4, "kept"}};
    for (const Case& c : cases) {
        block_.m_resultTag = "kept";
        Strings offered;
        WhenDialogUp([&offered, &c](QWidget* dialog) {
            auto* tags = Child<QComboBox>(dialog, "tags");
            for (int i = 0; tags != nullptr && i < tags->count(); ++i)
                offered.push_back(tags->itemText(i).toStdString());
            if (auto* b = Child<QPushButton>(dialog, c.button)) b->click();
        });
        EnumHierarchy(&block_);
        EXPECT_EQ(offered, (Strings{"SQLServer.1", "SQLServer.5"})) << c.button;
        EXPECT_EQ(block_.m_status, c.status) << c.button;
        EXPECT_EQ(block_.m_resultTag, c.tag) << c.button;
        EXPECT_EQ(QApplication::topLevelWidgets().size(), 0) << c.button;
        EXPECT_FALSE(KitMapped());
    }
}

TEST_F(KitLibrary, CreateClosedAtOnceGivesOneAndLeavesNothing) {
    Control("getrootdir.out", root_.Path() + "\n");
    WhenDialogUp([](QWidget* sheet) {
        // Escape does nothing; Close ends the sheet.
        qobject_cast<QDialog*>(sheet)->reject();
        sheet->close();
        EXPECT_TRUE(sheet->isVisible());
        Child<QPushButton>(sheet, "close")->click();
    });
    CreateHierarchy(&block_);
    EXPECT_EQ(block_.m_status, 1);
    EXPECT_EQ(Journal(), (Strings{"getrootdir [-d] [NODE1] password=unset cmdline=clean"}));
    EXPECT_EQ(QApplication::topLevelWidgets().size(), 0);
    EXPECT_FALSE(KitMapped());
}

class ThrowingDatabase : public FakeConsoleDatabase {
public:
    std::string RootDir() override { throw std::runtime_error("database gone"); }
};

TEST_F(KitLibrary, AnExceptionInTheCreateEntryGivesFour) {
    ThrowingDatabase db;
    panelaid::LibraryParts parts;
    parts.db = &db;
    parts.boxes = &boxes_;
    panelaid::PanelaidLibrary::Get().UseParts(parts);
    block_.m_status = 99;
    panelaid::KitLoader::Run(root_.Path(), &block_, panelaid::KitOperation::Create);
    EXPECT_EQ(block_.m_status, 4);
    EXPECT_EQ(QApplication::topLevelWidgets().size(), 0);
    EXPECT_FALSE(KitMapped());
}

// The sheet driven as a user drives it: the cluster page applied, the
// hierarchy page filled and applied, the sheet closed.

TEST_F(KitSheetOnScreen, ActiveStandbyHierarchyWithDependencies) {
    Control("sqlconfg.out", "Standby\n");
    ::setenv("PIPEGUARD_CREATE", "pipe.7", 1);
    ::setenv("ADDRGUARD_CHOOSE", "ip.3", 1);
    boxes_.Answer(panelaid::BoxAnswer::Ok);  // the switchover warning
    bool reached = false;
    Strings dependencies;
    WhenDialogUp([&](QWidget* sheet) {
        reached = ApplyCluster(sheet, kPassword);
        QWidget* page = Page(sheet, "activeStandbyPage");
        EXPECT_TRUE(page->isVisible());
        EXPECT_EQ(Child<QLineEdit>(page, "tag")->text().toStdString(), "SQLServer.0");
        Child<QPushButton>(page, "namedPipe")->click();
        Child<QPushButton>(page, "tcpip")->click();
        auto* list = Child<QListWidget>(page, "dependencies");
        for (int i = 0; i < list->count(); ++i) dependencies.push_back(list->item(i)->text().toStdString());
        Child<QPushButton>(page, "apply")->click();
    });
    CreateHierarchy(&block_);
    ::unsetenv("ADDRGUARD_CHOOSE");
    EXPECT_TRUE(reached);
    EXPECT_EQ(dependencies, (Strings{"pipe.7", "ip.3"}));
    EXPECT_EQ(block_.m_status, 1);
    EXPECT_EQ(Journal(), (Strings{
                             "getrootdir [-d] [NODE1] password=unset cmdline=clean",
                             "sqlconfg [NODE1] [NODE2] password=unset cmdline=clean",
                             "Create [NODE1] [NODE2] [.PreCreate] [4242] password=unset cmdline=clean",
                             "ascreate [NODE1] [NODE2] [SQLServer.0] [sa] [] [Y] [N] [Y] [pipe.7] [ip.3] "
                             "password=match cmdline=clean",
                             "Create [NODE1] [NODE2] [SQLServer.0] [4242] password=unset cmdline=clean",
                             "Create [NODE1] [NODE2] [.PostCreate] [4242] password=unset cmdline=clean",
                         }));
    const auto shown = boxes_.Shown();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back().text, "SQL Hierarchy creation was successful for SQLServer.0.");
    EXPECT_EQ(QApplication::topLevelWidgets().size(), 0);
    EXPECT_FALSE(KitMapped());
}

TEST_F(KitSheetOnScreen, ActiveActiveHierarchiesForTheChosenDatabases) {
    Control("sqlconfg.out", "Active\n");
    Control("getsqldb.out", "D: pubs north \nE: alone\n");
    Control("aacreate.rc", "0");
    Strings databases;
    WhenDialogUp([&](QWidget* sheet) {
        Type(Child<QLineEdit>(sheet, "login"), "db admin");
        EXPECT_TRUE(ApplyCluster(sheet, kPassword));
        QWidget* page = Page(sheet, "activeActivePage");
        auto* list = Child<QListWidget>(page, "databases");
        for (int i = 0; i < list->count(); ++i) databases.push_back(list->item(i)->text().toStdString());
        // Deselecting "alone" through its volume leaves pubs and north.
        auto* volumes = Child<QListWidget>(page, "volumes");
        volumes->setCurrentRow(1, QItemSelectionModel::Deselect);
        EXPECT_FALSE(list->item(2)->isSelected());
        Child<QCheckBox>(page, "bringInService")->setChecked(false);
        Child<QPushButton>(page, "apply")->click();
        Child<QPushButton>(sheet, "close")->click();
    });
    CreateHierarchy(&block_);
    EXPECT_EQ(databases, (Strings{"pubs", "north", "alone"}));
    const Strings journal = Journal();
    ASSERT_EQ(journal.size(), 7u) << ::testing::PrintToString(journal);
    EXPECT_EQ(journal[2], "getsqldb [NODE1] [NODE2] [db admin] [] password=match cmdline=clean");
    EXPECT_EQ(journal[4], "aacreate [NODE1] [NODE2] [SQLServer.0] [pubs] [db admin] [] [Y] [N] [N] "
                          "password=match cmdline=clean");
    EXPECT_EQ(journal[5], "aacreate [NODE1] [NODE2] [SQLServer.0] [north] [db admin] [] [Y] [N] [N] "
                          "password=match cmdline=clean");
    EXPECT_EQ(block_.m_status, 1);
}

TEST_F(KitSheetOnScreen, APasswordUpToItsLimitArrivesWholeAndALongerOneRunsNothing) {
    std::string kilobyte;
    while (kilobyte.size() < 1024) kilobyte += "a 'b\" \\c";
    kilobyte.resize(1024);
    struct Case {
        std::string password;
        bool reached;
    } cases[] = {{kilobyte, true}, {kilobyte + "x", false}, {"two\nlines", false}};
    Control("sqlconfg.out", "Active\n");
    for (const Case& c : cases) {
        Control("password", c.password);
        std::filesystem::remove(root_.Path() + "/admin/kit/dbguard/standin/journal");
        bool reached = !c.reached;
        WhenDialogUp([&](QWidget* sheet) {
            reached = ApplyCluster(sheet, c.password);
            Child<QPushButton>(sheet, "close")->click();
        });
        CreateHierarchy(&block_);
        EXPECT_EQ(reached, c.reached) << c.password.size();
        const Strings journal = Journal();
        if (c.reached) {
            ASSERT_EQ(journal.size(), 3u);
            EXPECT_EQ(journal[2], "getsqldb [NODE1] [NODE2] [sa] [] password=match cmdline=clean");
        } else {
            EXPECT_EQ(journal.size(), 1u) << c.password.size();  // getrootdir only
        }
    }
}

TEST_F(KitSheetOnScreen, BadServerAnswersKeepTheClusterPage) {
    std::string many;
    for (int i = 0; i < 10000; ++i) many += "V" + std::to_string(i) + " db" + std::to_string(i) + "\n";
    struct Case {
        const char* name;
        std::string sqlconfg, getsqldb;
        bool reached;
        const char* message;
        const char* failing = nullptr;  // the script that exits 3
        bool existing = false;          // a database-server hierarchy exists on the primary
    } cases[] = {
        {"sqlconfg prints nothing", "", "", false, nullptr},
        {"unknown first line", "Passive\n", "", false, nullptr},
        {"sqlconfg fails", "Active\n", "D: pubs\n", false, nullptr, "sqlconfg.rc"},
        {"getsqldb fails", "Active\n", "D: pubs\n", false, nullptr, "getsqldb.rc"},
        {"standby with a hierarchy", "Standby\n", "", false, nullptr, nullptr, true},
        {"getsqldb prints blank lines", "Active\n", "\n\n\n", true, nullptr},
        {"getsqldb prints a 100 KB line", "Active\n", "V " + std::string(100 * 1024, 'd') + "\n", false,
         "The database list of getsqldb cannot be used: a line is longer than 65536 characters."},
        {"getsqldb prints 10,000 lines", "Active\n", many, false,
         "The database list of getsqldb cannot be used: more than 5000 lines."},
    };
    for (const Case& c : cases) {
        Control("sqlconfg.out", c.sqlconfg);
        Control("getsqldb.out", c.getsqldb);
        for (const std::string rc : {"sqlconfg.rc", "getsqldb.rc"})
            Control(rc, c.failing != nullptr && rc == c.failing ? "3" : "0");
        if (c.existing) AddHierarchy("SQLServer.0", "NODE2");
        const std::size_t before = boxes_.Shown().size();
        bool reached = true;
        int listed = -1;
        WhenDialogUp([&](QWidget* sheet) {
            reached = ApplyCluster(sheet, "pw");
            listed = Child<QListWidget>(Page(sheet, "activeActivePage"), "databases")->count();
            Child<QPushButton>(sheet, "close")->click();
        });
        CreateHierarchy(&block_);
        EXPECT_EQ(reached, c.reached) << c.name;
        EXPECT_EQ(listed, 0) << c.name;
        const auto shown = boxes_.Shown();
        std::vector<std::string> texts;
        for (std::size_t i = before; i < shown.size(); ++i) texts.push_back(shown[i].text);
        if (c.message != nullptr) {
            EXPECT_NE(std::find(texts.begin(), texts.end(), c.message), texts.end()) << c.name;
        }
        if (!c.reached) {
            EXPECT_EQ(texts.back(), "A SQL Server Hierarchy already exists for this configuration or the "
                                    "configuration is not valid.")
                << c.name;
        }
        EXPECT_EQ(block_.m_status, 1) << c.name;
    }
    for (const std::string& line : Journal()) EXPECT_EQ(line.find("create"), std::string::npos) << line;
}

TEST_F(KitSheetOnScreen, AMissingOrFailingDependencyKitAddsNothing) {
    Control("sqlconfg.out", "Standby\n");
    std::filesystem::remove(root_.Path() + "/admin/kit/addrguard/addrguard.so");
    ::setenv("PIPEGUARD_CREATE", "fail", 1);
    int listed = -1;
    WhenDialogUp([&](QWidget* sheet) {
        EXPECT_TRUE(ApplyCluster(sheet, "pw"));
        QWidget* page = Page(sheet, "activeStandbyPage");
        Child<QPushButton>(page, "namedPipe")->click();
        Child<QPushButton>(page, "tcpip")->click();
        listed = Child<QListWidget>(page, "dependencies")->count();
        Child<QPushButton>(sheet, "close")->click();
    });
    CreateHierarchy(&block_);
    EXPECT_EQ(listed, 0);
    const auto shown = boxes_.Shown();
    ASSERT_GE(shown.size(), 2u);
    EXPECT_EQ(shown[shown.size() - 2].text, "The pipeguard hierarchy could not be created.");
    EXPECT_EQ(shown.back().text, "The recovery kit addrguard cannot be used (status 3).");
}

}  // namespace
}  // namespace dbguard
