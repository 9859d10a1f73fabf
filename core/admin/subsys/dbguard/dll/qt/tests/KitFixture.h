// The kit as the consoles meet it: dbguard.so installed under a fresh root
// with the stand-ins and two dependency kits, loaded by panelaid's loader for
// each call over the fake database, its windows driven offscreen.
#pragma once

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

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <dlfcn.h>
#include <fstream>
#include <functional>
#include <sstream>

namespace dbguard {

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
        for (const char* v : {"PIPEGUARD_CHOOSE", "PIPEGUARD_CREATE", "ADDRGUARD_CHOOSE", "ADDRGUARD_CREATE"})
            ::unsetenv(v);
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

class KitSheetOnScreen : public KitLibrary {
protected:
    void SetUp() override {
        KitLibrary::SetUp();
        Control("getrootdir.out", root_.Path() + "\n");
        Control("password", kPassword);
    }
    // Applies the cluster page with the password and goes to tab 1; true
    // when tab 1 was reached.
    static bool ApplyCluster(QWidget* sheet, const std::string& password) {
        Type(Child<QLineEdit>(sheet, "password"), password);
        auto* tabs = Child<QTabBar>(sheet, "tabs");
        tabs->setCurrentIndex(1);
        return tabs->currentIndex() == 1;
    }
    static QWidget* Page(QWidget* sheet, const char* name) { return Child<QWidget>(sheet, name); }

    static constexpr const char* kPassword = "it's a \"pass\\word\" with  blanks\\";
};

}  // namespace dbguard
