#include "SetupDialogBuilder.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include <cstdlib>
#include <dlfcn.h>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>

namespace {

using CreateDialogFn = QDialog* (*)(int, QWidget*);
using LibMainFn = int (*)(void*, unsigned long, void*);

QApplication& App() {
    static int argc = 1;
    static char name[] = "textpack_tests";
    static char* argv[] = {name, nullptr};
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QApplication app(argc, argv);
    return app;
}

// The library, loaded as the setup program loads it.
class Textpack : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        App();
        library_ = ::dlopen(HV_TEXTPACK_FILE, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library_, nullptr) << ::dlerror();
        create_ = reinterpret_cast<CreateDialogFn>(::dlsym(library_, "TextpackCreateDialog"));
        libMain_ = reinterpret_cast<LibMainFn>(::dlsym(library_, "LibMain"));
    }
    std::unique_ptr<QDialog> Dialog(int id) { return std::unique_ptr<QDialog>(create_(id, nullptr)); }
    static std::map<int, QWidget*> Controls(QDialog* d) {
        std::map<int, QWidget*> byId;
        for (QWidget* w : d->findChildren<QWidget*>()) {
            const QVariant id = w->property(textpack::kControlIdProperty);
            if (id.isValid() && id.toInt() != -1) byId[id.toInt()] = w;
        }
        return byId;
    }
    static inline void* library_ = nullptr;
    static inline CreateDialogFn create_ = nullptr;
    static inline LibMainFn libMain_ = nullptr;
};

TEST_F(Textpack, EveryDialogLoadsWithItsCaptionControlsAndDefaultButton) {
    ASSERT_NE(create_, nullptr);
    struct Expected {
        int id;
        const char* caption;
        std::set<int> controls;
        int defaultButton;  // 0: none
    } dialogs[] = {
        {10, "Welcome", {202, 103, 104, 2, 1, 11}, 1},
        {20, "Exit Setup", {201, 104, 1, 2}, 1},
        {30, "Installation Location", {202, 427, 1, 2, 11}, 1},
        {40, "Setup Failed", {202, 1}, 1},
        {60, "Setup Canceled", {202, 201, 1}, 1},
        {80, "Installation Options", {202, 451, 452, 1, 2, 11}, 0},
        {90, "Help Message", {202, 101, 2}, 2},
        {110, "Sample Single Selection Dialog", {202, 429, 1, 9, 2, 11}, 1},
        {120, "Choose Installation Options", {202, 451, 452, 453, 1, 9, 2, 11}, 1},
        {130, "Custom Selection Dialog", {202, 429, 1, 2, 11}, 1},
        {140, "", {202, 1001, 1}, 0},
        {150, "Custom Installation", {202, 429, 419, 12, 1, 9, 2, 11}, 1},
        {160, "Custom Installation", {437, 16, 431, 432, 434, 1, 2, 11}, 0},
        {170, "Insufficient Disk Space", {1}, 0},
        {250, "Custom Installation Help", {101, 1}, 0},
        {1000, "Installation Complete", {1003, 1002}, 0},
    };
    for (const Expected& e : dialogs) {
        SCOPED_TRACE(e.id);
        auto d = Dialog(e.id);
        ASSERT_NE(d, nullptr);
        d->show();
        QApplication::processEvents();
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(d->windowTitle().toStdString(), e.caption);
        EXPECT_EQ(d->isModal(), e.id != 140);
        EXPECT_EQ(d->font().pointSize(), 8);
        std::set<int> ids;
        int defaultButton = 0;
        for (const auto& [id, w] : Controls(d.get())) {
            ids.insert(id);
            if (auto* b = qobject_cast<QPushButton*>(w); b != nullptr && b->isDefault()) {
                EXPECT_EQ(defaultButton, 0) << "two default buttons";
                defaultButton = id;
            }
        }
        EXPECT_EQ(ids, e.controls);
        EXPECT_EQ(defaultButton, e.defaultButton);
        for (int iconId : {201, 202}) {
            if (!e.controls.count(iconId)) continue;
            auto* icon = qobject_cast<QLabel*>(Controls(d.get())[iconId]);
            if (icon != nullptr && icon->property(textpack::kIconResourceProperty).isValid()) {
                EXPECT_EQ(icon->property(textpack::kIconResourceProperty).toInt(), 202);
                EXPECT_FALSE(icon->pixmap().isNull());
            }
        }
    }
    EXPECT_EQ(Dialog(11), nullptr);
}

TEST_F(Textpack, ListsSelectAsTheirDialogsSayAndButtonsEndWithTheirIds) {
    const std::pair<int, QAbstractItemView::SelectionMode> lists[] = {
        {110, QAbstractItemView::SingleSelection},
        {130, QAbstractItemView::ExtendedSelection},
        {150, QAbstractItemView::MultiSelection},
    };
    for (const auto& [id, mode] : lists) {
        auto d = Dialog(id);
        auto* list = qobject_cast<QListWidget*>(Controls(d.get())[429]);
        ASSERT_NE(list, nullptr) << id;
        EXPECT_EQ(list->selectionMode(), mode) << id;
    }
    auto d = Dialog(110);
    auto* back = qobject_cast<QPushButton*>(Controls(d.get())[9]);
    ASSERT_NE(back, nullptr);
    QTimer::singleShot(0, back, &QPushButton::click);
    EXPECT_EQ(d->exec(), 9);
}

TEST_F(Textpack, EntrySucceedsForEveryReasonAndTheDescriptionIsInTheData) {
    ASSERT_NE(libMain_, nullptr);
    for (unsigned long reason : {0ul, 1ul, 2ul, 3ul}) EXPECT_EQ(libMain_(nullptr, reason, nullptr), 1);
    std::ifstream in(HV_TEXTPACK_FILE, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    EXPECT_NE(bytes.str().find(std::string("Resource DLL for Holdervane") + '\0'), std::string::npos);
    // Only the entry and the lookup are exported.
    EXPECT_EQ(::dlsym(library_, "kTextpackDescription"), nullptr);
}

TEST(SetupStandIn, LoadsTheLibraryByNameAndDumpsADialog) {
    const std::string command = std::string("QT_QPA_PLATFORM=offscreen ") + HV_SETUP_BIN + " --dump 20";
    FILE* p = ::popen(command.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    char buf[512];
    while (std::fgets(buf, sizeof buf, p) != nullptr) out += buf;
    EXPECT_EQ(::pclose(p), 0) << out;
    EXPECT_EQ(out.rfind("Exit Setup\n", 0), 0u) << out;
    EXPECT_NE(out.find("1 QPushButton &Continue default\n"), std::string::npos) << out;
    EXPECT_NE(out.find("2 QPushButton E&xit\n"), std::string::npos) << out;
}

}  // namespace
