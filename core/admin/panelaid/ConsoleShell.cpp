#include "ConsoleShell.h"

#include "ContextHelp.h"
#include "panelaid.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QToolBar>

namespace panelaid {

namespace {

constexpr int kMainWindowHelpId = 0x20080;

ShellServices WithLibraryDefaults(ShellServices s, ConsoleShell* owner) {
    if (!s.testService) s.testService = [] { return test_holdervane(); };
    if (!s.startStop) s.startStop = [owner](bool start) { return start_stop_holdervane(start ? 1 : 0, owner); };
    return s;
}

}  // namespace

ConsoleShell::ConsoleShell(ShellSpec spec, ShellServices services, WindowSettings& windows)
    : spec_(std::move(spec)),
      windows_(windows),
      frame_(spec_, WithLibraryDefaults(std::move(services), this), *this),
      status_(std::make_unique<QtStatusDisplay>(statusBar())) {
    setWindowTitle(QString::fromStdString(spec_.title));
    statusBar()->showMessage(QStringLiteral("Ready"));
    // The placement saved at the last close; -2 when none was.
    placement_.show = -2;
    windows_.Retrieve(spec_.title, nullptr, &placement_, &toolbarVisible_, &statusVisible_);
    BuildMenus();
    toolbar_->setVisible(toolbarVisible_ != 0);
    statusBar()->setVisible(statusVisible_ != 0);
    clock_.setSingleShot(false);
    connect(&clock_, &QTimer::timeout, this, [this] { frame_.Tick(); });
    if (QAbstractEventDispatcher* d = QAbstractEventDispatcher::instance())
        connect(d, &QAbstractEventDispatcher::aboutToBlock, this, [this] { IdlePass(); });
}

ConsoleShell::~ConsoleShell() = default;

void ConsoleShell::BuildMenus() {
    toolbar_ = addToolBar(QStringLiteral("Toolbar"));
    toolbar_->setObjectName(QStringLiteral("toolbar"));
    for (const ShellMenu& menu : spec_.menus) {
        QMenu* m = menuBar()->addMenu(QString::fromStdString(menu.title));
        for (const ShellItem& item : menu.items) {
            if (item.action == ShellAction::Separator) {
                m->addSeparator();
                continue;
            }
            QAction* a = m->addAction(QString::fromStdString(item.text));
            a->setStatusTip(QString::fromStdString(PromptStatus(item.prompt)));
            a->setToolTip(QString::fromStdString(PromptTip(item.prompt)));
            if (item.action == ShellAction::ToggleToolbar || item.action == ShellAction::ToggleStatusBar)
                a->setCheckable(true);
            const ShellItem* it = &item;
            connect(a, &QAction::triggered, this, [this, it] { Run(*it); });
            if (item.id != 0) actions_[item.id] = a;
            if (item.enabled) enables_.emplace_back(a, item.enabled);
        }
        connect(m, &QMenu::aboutToShow, this, [this] { UpdateCommands(); });
        AnswerMenuHelp(m, [this](const QAction* a) { return CommandOf(a); },
                       [this](int helpId) { frame_.ShowHelp(helpId); });
    }
    AddContextHelp();
    for (int id : spec_.toolbar) {
        if (id == 0) {
            toolbar_->addSeparator();
            continue;
        }
        if (QAction* a = Action(id)) toolbar_->addAction(a);
    }
}

void ConsoleShell::AddContextHelp() {
    auto* help = new QAction(QStringLiteral("Context Help"), this);
    const std::string prompt = "Help on the next window or command clicked\nContext Help";
    help->setStatusTip(QString::fromStdString(PromptStatus(prompt)));
    help->setToolTip(QString::fromStdString(PromptTip(prompt)));
    help->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1));
    connect(help, &QAction::triggered, this, [] { EnterContextHelp(); });
    addAction(help);
    actions_[kContextHelpCommand] = help;
}

int ConsoleShell::CommandOf(const QAction* action) const {
    for (const auto& [id, a] : actions_)
        if (a == action) return id;
    return 0;
}

bool ConsoleShell::event(QEvent* event) {
    // A click in context-help mode that no part answered for itself; on the
    // menu bar it opens the menu to pick a command from.
    if (event->type() == QEvent::WhatsThis && OpenMenuForHelp(*this, static_cast<QHelpEvent*>(event)->pos()))
        return true;
    const bool help = AnswerContextHelp(event, [this](QPoint at) {
        frame_.ShowHelp(WindowPartHelpId(*this, at, [this](const QAction* a) { return CommandOf(a); },
                                         kMainWindowHelpId));
    });
    return help || QMainWindow::event(event);
}

QAction* ConsoleShell::Action(int id) const {
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

void ConsoleShell::SetView(QWidget* view) {
    setCentralWidget(view);
    if (view) view->setFocus();
}

void ConsoleShell::UpdateCommands() {
    for (auto& [action, enabled] : enables_) action->setEnabled(enabled());
    for (const auto& [id, action] : actions_) {
        if (!action->isCheckable()) continue;
        for (const ShellMenu& menu : spec_.menus)
            for (const ShellItem& item : menu.items) {
                if (item.id != id) continue;
                if (item.action == ShellAction::ToggleToolbar) action->setChecked(toolbar_->isVisible());
                if (item.action == ShellAction::ToggleStatusBar) action->setChecked(statusBar()->isVisible());
            }
    }
}

void ConsoleShell::Run(const ShellItem& item) {
    switch (item.action) {
    case ShellAction::Custom:
        if (item.run && (!item.enabled || item.enabled())) item.run();
        break;
    case ShellAction::Separator: break;
    case ShellAction::Exit: close(); break;
    case ShellAction::ToggleToolbar: toolbar_->setVisible(!toolbar_->isVisible()); break;
    case ShellAction::ToggleStatusBar: statusBar()->setVisible(!statusBar()->isVisible()); break;
    case ShellAction::HelpContents: frame_.ShowHelpContents(); break;
    case ShellAction::UsingHelp: frame_.ShowHelp(0x10000 + item.id); break;
    case ShellAction::About: ShowAbout(); break;
    case ShellAction::Stop: frame_.Stop(); break;
    case ShellAction::Sibling: frame_.ShowSibling(item.sibling); break;
    }
}

void ConsoleShell::ShowAbout() {
    QMessageBox box(this);
    box.setWindowTitle(QString::fromStdString(spec_.aboutTitle));
    box.setText(QString::fromStdString(spec_.aboutText));
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

bool ConsoleShell::ClaimInstance() {
    instance_ = std::make_unique<QtConsoleInstance>();
    if (instance_->Claim(spec_.program) == ConsoleInstance::Claim::OtherRaised) return false;
    instance_->SetWindow(this);
    return true;
}

void ConsoleShell::Place() {
    switch (placement_.show) {
    case -1: showMinimized(); break;
    case 0:
        if (WindowSettings::UsableArea(placement_))
            setGeometry(placement_.left, placement_.top, placement_.width, placement_.height);
        show();
        break;
    case 1: showMaximized(); break;
    default: show(); break;
    }
}

bool ConsoleShell::Start() {
    if (!ClaimInstance()) return false;
    Place();
    if (!frame_.CheckServiceAtStart()) return false;
    if (document_ != nullptr) document_->Reload();
    return true;
}

bool ConsoleShell::ArmRefreshTimer() {
    clock_.start(spec_.refreshMs);
    return clock_.isActive();
}

void ConsoleShell::Beep() { QApplication::beep(); }

void ConsoleShell::ShowStatus(const std::string& text) { status_->ShowText(text); }

bool ConsoleShell::ModalOpen() const { return QApplication::activeModalWidget() != nullptr; }

void ConsoleShell::EndProgram() {
    if (ended_) return;
    ended_ = true;
    clock_.stop();
    hide();
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void ConsoleShell::IdlePass() {
    if (ended_) return;
    UpdateCommands();
    if (!frame_.RefreshDue()) {
        frame_.OnIdle();
        return;
    }
    // The refresh may show a box, whose loop must not run inside the loop's
    // own about-to-wait moment: it runs as the next event, once.
    if (refreshPosted_) return;
    refreshPosted_ = true;
    QTimer::singleShot(0, this, [this] {
        refreshPosted_ = false;
        if (!ended_) frame_.OnIdle();
    });
}

void ConsoleShell::closeEvent(QCloseEvent* event) {
    WindowPlacement p;
    p.show = isMaximized() ? 1 : isMinimized() ? -1 : 0;
    const QRect g = (isMaximized() || isMinimized()) ? normalGeometry() : geometry();
    p.left = g.left();
    p.top = g.top();
    p.width = g.width();
    p.height = g.height();
    windows_.Save(spec_.title, nullptr, p, toolbar_->isVisible() ? 1 : 0, statusBar()->isVisible() ? 1 : 0);
    if (document_ != nullptr) document_->Closing();
    clock_.stop();
    event->accept();
}

void ConsoleShell::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        frame_.ShowHelp(kMainWindowHelpId);
        return;
    }
    QMainWindow::keyPressEvent(event);
}

}  // namespace panelaid
