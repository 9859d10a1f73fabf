#include "KitSheetDialog.h"

#include "CKitSheet.h"
#include "CSQL_ActiveActive.h"
#include "CSQL_ActiveStandby.h"
#include "ClusDefWidget.h"
#include "KitPageWidget.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QShortcut>
#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>

namespace dbguard {

KitSheetDialog::KitSheetDialog(CKitSheet& sheet) : sheet_(sheet) {
    setWindowTitle(QString::fromLatin1(kSheetCaption));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    auto* layout = new QVBoxLayout(this);
    tabs_ = new QTabBar;
    tabs_->setObjectName(QStringLiteral("tabs"));
    tabs_->addTab(QStringLiteral("SQL Cluster"));
    tabs_->addTab(QStringLiteral("SQL Hierarchy"));
    layout->addWidget(tabs_);
    stack_ = new QStackedWidget;
    const auto forward = [this](std::function<void()> action) { Forward(action); };
    cluster_ = new ClusDefWidget(sheet_.Cluster(), forward);
    activeActive_ = new KitPageWidget(sheet_.ActiveActive(), &sheet_.ActiveActive(), forward);
    activeStandby_ = new KitPageWidget(sheet_.ActiveStandby(), nullptr, forward);
    activeActive_->setObjectName(QStringLiteral("activeActivePage"));
    activeStandby_->setObjectName(QStringLiteral("activeStandbyPage"));
    cluster_->setObjectName(QStringLiteral("clusterPage"));
    stack_->addWidget(cluster_);
    stack_->addWidget(activeActive_);
    stack_->addWidget(activeStandby_);
    layout->addWidget(stack_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* close = new QPushButton(QStringLiteral("Close"));
    close->setObjectName(QStringLiteral("close"));
    auto* help = new QPushButton(QStringLiteral("Help"));
    help->setObjectName(QStringLiteral("help"));
    buttons->addWidget(close);
    buttons->addWidget(help);
    layout->addLayout(buttons);

    connect(tabs_, &QTabBar::currentChanged, this, [this](int index) {
        if (!syncing_) Forward([this, index] { sheet_.UserSelectsTab(index); });
    });
    connect(close, &QPushButton::clicked, this, [this] { Forward([this] { sheet_.Close(); }); });
    connect(help, &QPushButton::clicked, this, [this] { Forward([this] { sheet_.Help(); }); });
    connect(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this,
            [this] { Forward([this] { sheet_.Help(); }); });
}

void KitSheetDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (started_) return;
    started_ = true;
    Forward([this] { sheet_.Start(); });
}

void KitSheetDialog::Forward(const std::function<void()>& action) {
    action();
    Sync();
}

void KitSheetDialog::Sync() {
    syncing_ = true;
    const int tab = sheet_.SelectedTab() < 0 ? 0 : sheet_.SelectedTab();
    tabs_->setCurrentIndex(tab);
    cluster_->Sync();
    activeActive_->Sync();
    activeStandby_->Sync();
    if (tab == 0)
        stack_->setCurrentWidget(cluster_);
    else
        stack_->setCurrentWidget(sheet_.HierarchyIsActiveActive() ? activeActive_ : activeStandby_);
    syncing_ = false;
    if (sheet_.Ended() && isVisible()) done(sheet_.Result());
}

}  // namespace dbguard
