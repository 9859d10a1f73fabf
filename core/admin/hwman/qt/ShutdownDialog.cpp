#include "ShutdownDialog.h"

#include <QDialogButtonBox>
#include <QRadioButton>
#include <QVBoxLayout>

namespace hwman {

ShutdownDialog::ShutdownDialog(int initial, QWidget* parent, std::function<void(int)> help)
    : QDialog(parent), choice_(initial != 0 ? 1 : 0) {
    setWindowTitle(QStringLiteral("Shutdown Strategy"));
    auto* on = new QRadioButton(QStringLiteral("Switchover"), this);
    auto* off = new QRadioButton(QStringLiteral("Don't Switchover"), this);
    on->setObjectName(QStringLiteral("switchover"));
    off->setObjectName(QStringLiteral("noSwitchover"));
    (choice_ == 1 ? on : off)->setChecked(true);
    connect(on, &QRadioButton::clicked, this, [this] { choice_ = 1; });
    connect(off, &QRadioButton::clicked, this, [this] { choice_ = 0; });
    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [help] {
        if (help) help(kShutdownHelpId);
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* top = new QVBoxLayout(this);
    top->addWidget(on);
    top->addWidget(off);
    top->addWidget(buttons);
}

}  // namespace hwman
