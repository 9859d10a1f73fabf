#include "HiermanMainWindow.h"

#include "ConsoleActions.h"
#include "HiermanViewWidget.h"
#include "IconPainter.h"
#include "MachineBarWidget.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QIcon>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyleHints>
#include <QVBoxLayout>

namespace hierman {

HiermanMainWindow::HiermanMainWindow(ViewServices services, FrameServices frame, std::function<int()> serviceUp,
                                     panelaid::ScriptRunner& runner)
    : services_(services),
      runner_(runner),
      statusDisplay_(std::make_unique<panelaid::QtStatusDisplay>(statusBar())),
      frame_(std::move(frame), *this),
      bar_(services.db, services.boxes, std::move(serviceUp), *this),
      mdi_(new QMdiArea(this)) {
    services_.bar = statusDisplay_.get();
    setWindowTitle(QString::fromUtf8(kConsoleTitle));
    setWindowIcon(QIcon(IconPixmap(kProgramIcon, 32)));
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    bar_.Create();
    barWidget_ = new MachineBarWidget(bar_, central);
    connect(barWidget_, &MachineBarWidget::helpRequested, this, [this](int id) { frame_.ShowHelp(id); });
    layout->addWidget(barWidget_);
    layout->addWidget(mdi_, 1);
    setCentralWidget(central);
    statusBar()->showMessage(QStringLiteral("Ready"));
    BuildMenus();
    BuildToolBars();
    watch_.setSingleShot(true);
    connect(&watch_, &QTimer::timeout, this, [this] { frame_.WatchTick(); });
    click_.setSingleShot(true);
    connect(&click_, &QTimer::timeout, this, [this] { bar_.ClickTimerFired(); });
    actions_ = new ConsoleActions(*this, services_);
}

HiermanMainWindow::~HiermanMainWindow() {
    // The base class hides the views as it goes: nothing of this class may
    // answer their signals any more.
    disconnect(mdi_, nullptr, this, nullptr);
    // The actions watch the views' events: they go before the views do.
    delete actions_;
    actions_ = nullptr;
}

void HiermanMainWindow::ShowKitMenu() {
    if (!frame_.CreateHierarchyEnabled()) return;
    const QPoint at = QCursor::pos();
    QMenu menu(this);
    int command = kFirstKitCommand;
    for (const KitItem& item : frame_.BuildKitMenu(runner_))
        menu.addAction(QString::fromStdString(item.label))->setData(command++);
    // Choosing a kit starts Create Hierarchy in the active view.
    if (QAction* chosen = menu.exec(at)) {
        const std::string kit = frame_.KitNameOf(chosen->data().toInt());
        if (!kit.empty()) actions_->CreateHierarchy(kit);
    }
}

HiermanViewWidget* HiermanMainWindow::ActiveView() const {
    QMdiSubWindow* sub = mdi_->activeSubWindow();
    if (!sub && !mdi_->subWindowList().isEmpty()) sub = mdi_->subWindowList().first();
    return sub ? qobject_cast<HiermanViewWidget*>(sub->widget()) : nullptr;
}

void HiermanMainWindow::RefreshAllViews() {
    const QList<QMdiSubWindow*> subs = mdi_->subWindowList();
    for (int i = 0; i < subs.size() && i < 64; ++i)
        if (auto* view = qobject_cast<HiermanViewWidget*>(subs[i]->widget())) view->Logic().UpdateView(true);
    bar_.Update();
}

void HiermanMainWindow::DestroyMainWindow() {
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void HiermanMainWindow::ShowStatus(const std::string& text) { statusBar()->showMessage(QString::fromStdString(text)); }

void HiermanMainWindow::RepaintBar() {
    if (barWidget_) barWidget_->update();
}

void HiermanMainWindow::StartClickTimer() { click_.start(QGuiApplication::styleHints()->mouseDoubleClickInterval()); }

void HiermanMainWindow::ShowInActiveView(const std::string& system) {
    HiermanViewWidget* view = ActiveView();
    if (!view) return;
    view->SetDocumentTitle(system);
    if (QWidget* sub = view->parentWidget()) sub->setWindowTitle(QString::fromStdString(system));
    view->Logic().UpdateView(false);
}

void HiermanMainWindow::OpenSystem(const std::string& system) {
    auto* view = new HiermanViewWidget(services_, system);
    QMdiSubWindow* sub = mdi_->addSubWindow(view);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowTitle(QString::fromStdString(system));
    connect(view, &HiermanViewWidget::closeRequested, sub, &QWidget::close, Qt::QueuedConnection);
    sub->resize(640, 480);
    FollowHelp(view);
    actions_->Attach(view);
    sub->show();
    view->Logic().UpdateView(false);
}

void HiermanMainWindow::FocusActiveView() {
    if (HiermanViewWidget* view = ActiveView()) view->setFocus();
}

void HiermanMainWindow::closeEvent(QCloseEvent* event) {
    if (!frame_.MayClose()) {
        event->ignore();
        return;
    }
    SaveSettings();
    event->accept();
}

void HiermanMainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (barWidget_) barWidget_->Relayout(width(), height());
}

}  // namespace hierman
