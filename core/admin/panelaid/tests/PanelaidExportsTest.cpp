// The plain exports, on fake parts: every ordinal's symbol is there, and each
// export hands its call to the logic with the Qt widgets it is given.
#include "FakeConsoleDatabase.h"
#include "FakeMessageBoxes.h"
#include "FakeServiceControl.h"
#include "FakeSettingsStore.h"
#include "PanelaidLibrary.h"
#include "PanelaidOrdinals.h"
#include "QtTestApp.h"
#include "ScriptFixture.h"
#include "panelaid.h"

#include "qdbfile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStatusBar>
#include <QWidget>

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <thread>

namespace panelaid {
namespace {

class PanelaidExportsTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        db_.SetRootDir(root_.Path());
        PanelaidLibrary::Get().UseParts({&db_, &boxes_, &settings_, &service_, nullptr, nullptr});
    }
    void TearDown() override {
        PanelaidLibrary::Get().UseParts({});
        db_.ClearError();
    }
    ScriptRoot root_;
    FakeConsoleDatabase db_{"SYSA"};
    FakeMessageBoxes boxes_;
    FakeSettingsStore settings_;
    FakeServiceControl service_;
};

TEST_F(PanelaidExportsTest, EveryOrdinalHasItsSymbol) {
    for (const ExportEntry& e : kExports) EXPECT_NE(::dlsym(RTLD_DEFAULT, e.symbol), nullptr) << e.ordinal;
}

TEST_F(PanelaidExportsTest, HierarchyQueriesComeBackInTheDatabaseLibrarysStorage) {
    db_.AddDependency("SYSA", "top", "db");
    db_.AddEquivalency("SYSA", "SYSA", "top", "SYSB", "top");
    std::string backup;
    EXPECT_EQ(GetBackupMachine("SYSA", "db", backup), 1);
    EXPECT_EQ(backup, "SYSB");
    char** roots = root_list("SYSA", "db");
    ASSERT_NE(roots, nullptr);
    EXPECT_STREQ(roots[0], "top");
    EXPECT_EQ(roots[1], nullptr);
    for (char** p = roots; *p != nullptr; ++p) qdbfreeit(*p);
    qdbfreeit(roots);
    EXPECT_EQ(IsValidHVString("db-1"), 1);
    EXPECT_EQ(IsValidHVString("-db"), 0);
    FakeConsoleDatabase::SetThreadError(11, "");
    EXPECT_EQ(Advise("failed", "x.cpp", 1), 0);
    EXPECT_EQ(boxes_.Shown().back().text, "failed\nx.cpp: 1\nQdb Error: Unknown\nError Buf: <empty>");
    EXPECT_EQ(InAdvise(), 0);
}

TEST_F(PanelaidExportsTest, StatusTextsReachTheBarAndAWorkersTextArrivesOnTheGuiThread) {
    QStatusBar bar;
    StatusBarMessage(nullptr, &bar);
    EXPECT_EQ(bar.currentMessage(), "Ready");
    db_.SetInitializing(true);
    const char* prev = PushStatusBarMessage("Deleting...", &bar);
    EXPECT_EQ(bar.currentMessage(), "Deleting...");
    PopStatusBarMessage(prev, &bar);
    EXPECT_EQ(bar.currentMessage(), "Holdervane Initializing ...");
    db_.SetInitializing(false);
    std::thread worker([&] { PopStatusBarMessage(PushStatusBarMessage("worker", &bar), &bar); });
    worker.join();
    QElapsedTimer t;
    t.start();
    while (bar.currentMessage() != "Ready" && t.elapsed() < 10000) QCoreApplication::processEvents();
    EXPECT_EQ(bar.currentMessage(), "Ready");
}

TEST_F(PanelaidExportsTest, WindowSettingsRoundTripThroughWidgets) {
    QWidget frame;
    frame.setWindowTitle("Holdervane: Hardware Administration");
    frame.setGeometry(30, 40, 320, 200);
    EXPECT_EQ(SaveWindowSettings(&frame, nullptr, 3, 4), 1);
    const auto* v = settings_.Find("HWMAN", "Window");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(std::get<std::string>(*v).substr(0, 2), "0,");
    QRect rect;
    int show = 9, e1 = 0, e2 = 0;
    EXPECT_EQ(RetrieveWindowSettings(&frame, nullptr, rect, show, &e1, &e2), 1);
    EXPECT_EQ(show, 0);
    EXPECT_EQ(rect.width(), frame.frameGeometry().width());
    EXPECT_EQ(e1, 3);
    EXPECT_EQ(e2, 4);
    EXPECT_EQ(SaveZoomFactor("Holdervane: Hardware Administration", 125), 1);
    int zoom = 0;
    EXPECT_EQ(RetrieveZoomFactor("Holdervane: Hardware Administration", &zoom), 1);
    EXPECT_EQ(zoom, 125);
    EXPECT_EQ(RetrieveZoomFactor("Holdervane: Hardware Administration", nullptr), 0);
}

TEST_F(PanelaidExportsTest, ServiceTestAndKitCallsGoThroughTheParts) {
    service_.daemon = false;
    EXPECT_EQ(test_holdervane(), -1);
    service_.daemon = true;
    EXPECT_EQ(test_holdervane(), 1);
    service_.answers = false;
    EXPECT_EQ(test_holdervane(), 0);
    // A kit called from a worker runs on the GUI thread.
    RecoveryKitControlBlock block;
    block.m_kit = "none";
    std::thread worker([&] { CreateHierarchy(&block); });
    QElapsedTimer t;
    t.start();
    while (block.m_status != kKitStatusNotLoaded && t.elapsed() < 10000) QCoreApplication::processEvents();
    worker.join();
    EXPECT_EQ(block.m_status, kKitStatusNotLoaded);
    EnumHierarchy(&block);
    EXPECT_EQ(block.m_status, kKitStatusNotLoaded);
}

}  // namespace
}  // namespace panelaid
