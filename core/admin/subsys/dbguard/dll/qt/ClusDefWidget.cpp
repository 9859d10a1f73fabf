#include "ClusDefWidget.h"

#include "CClusDef.h"
#include "ControlNames.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace dbguard {

ClusDefWidget::ClusDefWidget(CClusDef& page, std::function<void(std::function<void()>)> forward) : page_(page) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral(
        "Name the servers in your Holdervane pair to establish your\n cluster definition.  Select the system running "
        "your SQL\n Server instances as the Primary and the failover system as the Secondary.  Then set the System "
        "Admin. ID and\nSystem Admin. Password.")));
    auto* form = new QFormLayout;
    primary_ = Named(new QComboBox, "primary", 1000);
    secondary_ = Named(new QComboBox, "secondary", 1001);
    login_ = Named(new QLineEdit, "login", 1019);
    password_ = Named(new QLineEdit, "password", 1020);
    password_->setEchoMode(QLineEdit::Password);
    form->addRow(QStringLiteral("&Primary System Name:"), primary_);
    form->addRow(QStringLiteral("&Secondary System Name:"), secondary_);
    form->addRow(QStringLiteral("System Admin. &ID:"), login_);
    form->addRow(QStringLiteral("System &Admin. Password:"), password_);
    layout->addLayout(form);
    QPushButton* clear = AddApplyClearRow(layout, &apply_);
    layout->addWidget(new QLabel(QStringLiteral(
        "When the Primary and Secondary system names are\ncorrect for your Holdervane pair, hit the Apply button or\n "
        "select the SQL Hierarchy tab to begin defining your SQL\nServer hierarchies.")));
    layout->addWidget(new QLabel(QStringLiteral(
        "To change the server name pairing at any time:  Select\nthe SQL Cluster tab, change the system names, and "
        "hit\n the Apply button or again select the SQL Hierarchy tab.")));
    layout->addStretch();

    connect(primary_, &QComboBox::currentIndexChanged, this, [this, forward](int i) {
        if (!syncing_) forward([this, i] { page_.OnPrimarySelected(i); });
    });
    connect(secondary_, &QComboBox::currentIndexChanged, this, [this, forward](int i) {
        if (!syncing_) forward([this, i] { page_.OnSecondarySelected(i); });
    });
    connect(login_, &QLineEdit::textEdited, this, [this, forward](const QString& t) {
        forward([this, t] { page_.OnLoginEdited(t.toStdString()); });
    });
    connect(password_, &QLineEdit::textEdited, this, [this, forward](const QString& t) {
        forward([this, t] { page_.OnPasswordEdited(t.toStdString()); });
    });
    connect(apply_, &QPushButton::clicked, this, [this, forward] { forward([this] { page_.OnApply(); }); });
    connect(clear, &QPushButton::clicked, this, [this, forward] { forward([this] { page_.OnClear(); }); });
}

void ClusDefWidget::Sync() {
    syncing_ = true;
    const auto fill = [](QComboBox* box, const std::vector<std::string>& items, int selected) {
        if (box->count() != static_cast<int>(items.size())) {
            box->clear();
            for (const std::string& s : items) box->addItem(QString::fromStdString(s));
        }
        box->setCurrentIndex(selected);
    };
    fill(primary_, page_.primaryItems, page_.primarySelected);
    fill(secondary_, page_.secondaryItems, page_.secondarySelected);
    const QString login = QString::fromStdString(page_.login);
    if (login_->text() != login) login_->setText(login);
    const QString password = QString::fromStdString(page_.password);
    if (password_->text() != password) password_->setText(password);
    apply_->setEnabled(page_.applyEnabled);
    syncing_ = false;
}

}  // namespace dbguard
