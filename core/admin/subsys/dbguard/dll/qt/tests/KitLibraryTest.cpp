// The kit as the consoles meet it: dbguard.so installed under a fresh root,
// loaded by panelaid's loader for each call, its sheet driven on screen
// (offscreen) over the fake database, its scripts the real stand-ins.
#include "FakeConsoleDatabase.h"
#include "FakeMessageBoxes.h"
#include "KitLoader.h"
#include "PanelaidLibrary.h"
#include "QtTestApp.h"
#include "ScriptFixture.h"
#include "panelaid.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>

#include <chrono>
#include <cstdlib>
#include <dlfcn.h>
#include <fstream>
#include <functional>
#include <sstream>

namespace dbguard {
namespace {

using Strings = std::vector<std::string>;
using panelaid::FakeConsoleDatabase;

class KitLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        panelaid::TestApp();
        db_.SetRootDir(root_.Path());
        panelaid::LibraryParts parts;
        parts.db = &db_;
        parts.boxes = &boxes_;
        panelaid::PanelaidLibrary::Get().UseParts(parts);
        const std::string install = std::string("bash ") + HV_SOURCE_DIR + "/scripts/install-dbguard.sh --test-admin " +
                                    root_.Path() + " " + HV_DBGUARD_KIT_DIR;
        ASSERT_EQ(std::system(install.c_str()), 0);
        for (const char* kit : {"pipeguard", "addrguard"}) {
            const std::string dir = root_.Path() + "/admin/kit/" + kit;
            std::filesystem::create_directories(dir);
            std::filesystem::create_symlink(std::string(HV_DEPENDENCY_KIT_DIR) + "/" + kit + ".so",
                                            dir + "/" + kit + ".so");
            std::ofstream(dir + "/" + kit + ".inf") << kit << ":test kit\n";
        }
        block_.m_pid = "4242";
        block_.m_machine = "NODE1";
        block_.m_kit = "dbguard";
        block_.m_primarySystems = {"NODE1", "NODE2"};
        block_.m_secondarySystems = {"NODE2", "NODE1"};
    }
    void TearDown() override {
        panelaid::PanelaidLibrary::Get().UseParts({});
        for (const char* v : {"PIPEGUARD_CHOOSE", "PIPEGUARD_CREATE"}) ::unsetenv(v);
    }

    void Control(const std::string& name, const std::string& content) {
        std::ofstream(root_.Path() + "/admin/kit/dbguard/standin/" + name) << content;
    }
    Strings Journal() const {
        std::ifstream in(root_.Path() + "/admin/kit/dbguard/standin/journal");
        Strings lines;
        for (std::string l; std::getline(in, l);) lines.push_back(l);
        return lines;
    }
    void AddHierarchy(const std::string& tag, const std::string& backup) {
        FakeConsoleDatabase::Instance i;
        i.application = "database";
        i.type = "dbguard";
        i.tag = tag;
        db_.AddInstance("NODE1", i);
        db_.AddEquivalency("NODE1", "NODE1", tag, backup, tag);
    }
    bool KitMapped() const {
        void* h = ::dlopen((root_.Path() + "/admin/kit/dbguard/dbguard.so").c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (h != nullptr) ::dlclose(h);
        return h != nullptr;
    }

    // Runs step on the kit's dialog once it is up. Should the dialog still
    // be up at the deadline, it is ended so that the test fails rather than hangs.
    void WhenDialogUp(std::function<void(QWidget*)> step) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        auto* poll = new QTimer;
        poll->setInterval(5);
        QObject::connect(poll, &QTimer::timeout, [poll, step, deadline] {
            QWidget* w = QApplication::activeModalWidget();
            if (w != nullptr) {
                poll->stop();
                step(w);
                if (QApplication::activeModalWidget() == w && std::chrono::steady_clock::now() > deadline)
                    qobject_cast<QDialog*>(w)->done(0);
                poll->deleteLater();
            } else if (std::chrono::steady_clock::now() > deadline) {
                poll->stop();
                poll->deleteLater();
                ADD_FAILURE() << "the kit's dialog never appeared";
            }
        });
        poll->start();
    }
    template <typename T>
    static T* Child(QWidget* in, const char* name) {
        T* w = in->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    static void Type(QLineEdit* edit, const std::string& text) {
        edit->setText(QString::fromStdString(text));
        Q_EMIT edit->textEdited(edit->text());
    }

    panelaid::ScriptRoot root_;
    FakeConsoleDatabase db_{"NODE1", ""};
    panelaid::FakeMessageBoxes boxes_;
    RecoveryKitControlBlock block_;
};

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
            for (int i = 0; tags != nullptr && i < tags->count(); ++i) offered.push_back(tags->itemText(i).toStdString());
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

}  // namespace
}  // namespace dbguard
