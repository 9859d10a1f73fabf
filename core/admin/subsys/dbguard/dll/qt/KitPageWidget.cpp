#include "KitPageWidget.h"

#include "CSQL_ActiveActive.h"
#include "ControlNames.h"

#include <QCheckBox>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace dbguard {

namespace {

QListWidget* MultiList(const char* name, int id) {
    auto* list = Named(new QListWidget, name, id);
    list->setSelectionMode(QAbstractItemView::MultiSelection);
    return list;
}

}  // namespace

KitPageWidget::KitPageWidget(CKitPage& page, CSQL_ActiveActive* activeActive, Forward forward)
    : page_(page), activeActive_(activeActive) {
    auto* layout = new QVBoxLayout(this);
    auto* title = Named(new QLabel(activeActive ? QStringLiteral("Active/Active Configuration")
                                                : QStringLiteral("Active/Standby Configuration")),
                        "title", 101);
    title->setAlignment(Qt::AlignCenter);
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    title->setFont(big);
    layout->addWidget(title);
    auto* grid = new QGridLayout;
    primary_ = Named(new QLineEdit, "primary", 1000);
    secondary_ = Named(new QLineEdit, "secondary", 1001);
    primary_->setEnabled(false);
    secondary_->setEnabled(false);
    grid->addWidget(new QLabel(QStringLiteral("&Primary System Name:")), 0, 0);
    grid->addWidget(primary_, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("&Secondary System Name:")), 1, 0);
    grid->addWidget(secondary_, 1, 1);
    layout->addLayout(grid);
    executive_ =
        Named(new QCheckBox(QStringLiteral("&Restore SQLExecutive with MSSQLServer")), "restoreExecutive", 1006);
    dtc_ = Named(new QCheckBox(QStringLiteral("Rest&ore DTC with MSSQLServer")), "restoreDtc", 1009);
    layout->addWidget(executive_);
    layout->addWidget(dtc_);
    if (activeActive_ != nullptr) {
        auto* group = new QGroupBox(QStringLiteral("Unprotected Databases"));
        auto* lists = new QGridLayout(group);
        databases_ = MultiList("databases", 1019);
        volumes_ = MultiList("volumes", 1020);
        lists->addWidget(new QLabel(QStringLiteral("Data&base Name")), 0, 0);
        lists->addWidget(new QLabel(QStringLiteral("&Volume")), 0, 1);
        lists->addWidget(databases_, 1, 0);
        lists->addWidget(volumes_, 1, 1);
        layout->addWidget(group);
    }
    pipe_ = Named(new QPushButton(QStringLiteral("&Named Pipe ...")), "namedPipe", 1007);
    ip_ = Named(new QPushButton(QStringLiteral("TCP/&IP Socket ...")), "tcpip", 1008);
    auto* kits = new QHBoxLayout;
    kits->addWidget(pipe_);
    kits->addWidget(ip_);
    layout->addLayout(kits);
    layout->addWidget(new QLabel(QStringLiteral("D&ependency Tags:")));
    dependencies_ = MultiList("dependencies", 1025);
    layout->addWidget(dependencies_);
    delete_ = Named(new QPushButton(QStringLiteral("&Delete")), "delete", 1018);
    layout->addWidget(delete_);
    auto* tagRow = new QHBoxLayout;
    tagRow->addWidget(
        new QLabel(activeActive_ ? QStringLiteral("Holdervane &Tag:") : QStringLiteral("Holdervane &Tag")));
    tag_ = Named(new QLineEdit, "tag", 1024);
    tagRow->addWidget(tag_);
    layout->addLayout(tagRow);
    service_ = Named(new QCheckBox(QStringLiteral("&Bring In Service")), "bringInService", 1021);
    layout->addWidget(service_);
    QPushButton* clear = AddApplyClearRow(layout, &apply_);

    const auto check = [this, forward](QCheckBox* box, int CKitPage::*member) {
        connect(box, &QCheckBox::toggled, this, [this, forward, member](bool on) {
            if (!syncing_) forward([this, member, on] { page_.*member = on ? 1 : 0; });
        });
    };
    check(executive_, &CKitPage::restoreExecutive);
    check(dtc_, &CKitPage::restoreDtc);
    check(service_, &CKitPage::bringIntoService);
    connect(tag_, &QLineEdit::textEdited, this, [this](const QString& t) { page_.OnTagEdited(t.toStdString()); });
    connect(tag_, &QLineEdit::editingFinished, this, [this, forward] {
        if (!syncing_) forward([this] { page_.OnTagKillFocus(); });
    });
    connect(dependencies_, &QListWidget::itemSelectionChanged, this, [this, forward] {
        if (syncing_) return;
        const int row = ChangedRow(dependencies_, page_.dependencyList);
        if (row >= 0)
            forward([this, row] { page_.OnDependencySelected(row, dependencies_->item(row)->isSelected()); });
    });
    if (activeActive_ != nullptr) {
        for (QListWidget* list : {databases_, volumes_}) {
            connect(list, &QListWidget::itemSelectionChanged, this, [this, forward, list] {
                if (syncing_) return;
                const bool isDatabases = list == databases_;
                const int row = ChangedRow(list, isDatabases ? activeActive_->databaseList : activeActive_->volumeList);
                if (row >= 0)
                    forward([this, list, isDatabases, row] {
                        activeActive_->LinkSelection(isDatabases, row, list->item(row)->isSelected());
                    });
            });
        }
    }
    connect(delete_, &QPushButton::clicked, this, [this, forward] { forward([this] { page_.OnDelete(); }); });
    connect(pipe_, &QPushButton::clicked, this, [this, forward] { forward([this] { page_.OnNamedPipe(); }); });
    connect(ip_, &QPushButton::clicked, this, [this, forward] { forward([this] { page_.OnTcpIp(); }); });
    connect(apply_, &QPushButton::clicked, this, [this, forward] { forward([this] { page_.OnApply(); }); });
    connect(clear, &QPushButton::clicked, this, [this, forward] { forward([this] { page_.OnClear(); }); });
}

int KitPageWidget::ChangedRow(QListWidget* widget, const PageList& list) {
    if (widget->count() != static_cast<int>(list.size())) return -1;
    const int caret = widget->currentRow();
    if (caret >= 0 && widget->item(caret)->isSelected() != list[static_cast<std::size_t>(caret)].selected) return caret;
    for (int i = 0; i < widget->count(); ++i)
        if (widget->item(i)->isSelected() != list[static_cast<std::size_t>(i)].selected) return i;
    return -1;
}

void KitPageWidget::SyncList(QListWidget* widget, const PageList& list) {
    const int before = widget->count();
    bool same = before == static_cast<int>(list.size());
    for (int i = 0; same && i < before; ++i)
        same = widget->item(i)->text().toStdString() == list[static_cast<std::size_t>(i)].text;
    if (!same) {
        widget->clear();
        for (const ListItem& item : list) widget->addItem(QString::fromStdString(item.text));
    }
    for (int i = 0; i < widget->count(); ++i) widget->item(i)->setSelected(list[static_cast<std::size_t>(i)].selected);
    if (widget->count() > before) widget->scrollToBottom();
}

void KitPageWidget::Sync() {
    syncing_ = true;
    primary_->setText(QString::fromStdString(page_.m_sPrimary));
    secondary_->setText(QString::fromStdString(page_.m_sSecondary));
    executive_->setChecked(page_.restoreExecutive != 0);
    dtc_->setChecked(page_.restoreDtc != 0);
    service_->setChecked(page_.bringIntoService != 0);
    const QString tag = QString::fromStdString(page_.tag);
    if (tag_->text() != tag) tag_->setText(tag);
    if (activeActive_ != nullptr) {
        SyncList(databases_, activeActive_->databaseList);
        SyncList(volumes_, activeActive_->volumeList);
    }
    SyncList(dependencies_, page_.dependencyList);
    delete_->setEnabled(page_.deleteEnabled);
    pipe_->setEnabled(page_.namedPipeEnabled);
    ip_->setEnabled(page_.tcpipEnabled);
    apply_->setEnabled(page_.tagAcceptable != 0);
    if (page_.focusTag) {
        page_.focusTag = false;
        tag_->setFocus();
    }
    syncing_ = false;
}

}  // namespace dbguard
