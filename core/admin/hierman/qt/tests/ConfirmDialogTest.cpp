// The confirmation dialog: what it shows, that the tag cannot be edited, and
// that its close box answers Cancel.
#include "CConfirmDialog.h"
#include "QtTestApp.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace hierman {
namespace {

TEST(ConfirmDialog, ShowsTheTextAndAReadOnlyTag) {
    panelaid::TestApp();
    CConfirmDialog dialog;
    const std::string longTag(300, 'x');
    dialog.SetText("Delete Hierarchy");
    dialog.SetTag(longTag);
    EXPECT_EQ(dialog.windowTitle().toStdString(), "Confirmation");
    EXPECT_EQ(dialog.Text(), "Delete Hierarchy");
    EXPECT_EQ(dialog.Tag(), longTag);
    EXPECT_TRUE(dialog.TagField()->isReadOnly());
    int helps = 0;
    dialog.OnHelp([&] { ++helps; });
    auto* box = dialog.findChild<QDialogButtonBox*>();
    ASSERT_NE(box, nullptr);
    box->button(QDialogButtonBox::Help)->click();
    EXPECT_EQ(helps, 1);
    EXPECT_TRUE(box->button(QDialogButtonBox::Ok)->isDefault());
}

TEST(ConfirmDialog, TheCloseBoxIsCancelAndOkAccepts) {
    panelaid::TestApp();
    struct Case { const char* how; int result; } cases[] = {{"close", QDialog::Rejected}, {"ok", QDialog::Accepted},
                                                            {"cancel", QDialog::Rejected}};
    for (const auto& c : cases) {
        CConfirmDialog dialog;
        const std::string how = c.how;
        QTimer::singleShot(0, &dialog, [&] {
            auto* box = dialog.findChild<QDialogButtonBox*>();
            if (how == "close") dialog.close();
            else if (how == "ok") box->button(QDialogButtonBox::Ok)->click();
            else box->button(QDialogButtonBox::Cancel)->click();
        });
        EXPECT_EQ(dialog.exec(), c.result) << c.how;
    }
}

}  // namespace
}  // namespace hierman
