#include "ConsoleActions.h"

#include "AttributeSheet.h"
#include "CConfirmDialog.h"
#include "FrameCommands.h"
#include "HiermanMainWindow.h"
#include "HiermanViewWidget.h"
#include "KitLoader.h"
#include "MachineBarWidget.h"
#include "ProcessScriptRunner.h"

#include <QAction>
#include <QEvent>
#include <QKeyEvent>
#include <QMdiSubWindow>
#include <QStatusBar>
#include <QThread>
#include <QTimer>

namespace hierman {

namespace {

// The commands a view's actions answer.
constexpr int kViewCommands[] = {kCmdInService,        kCmdOutService,      kCmdCreateDependency,
                                 kCmdDeleteDependency, kCmdDeleteHierarchy, kCmdAttributes};

// How often the commands' states follow the views between other changes.
constexpr int kIdleUpdateMs = 250;

bool ChangingInput(QEvent::Type type) {
    return type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
           type == QEvent::MouseButtonDblClick || type == QEvent::KeyPress || type == QEvent::KeyRelease;
}

// Keys that only scroll still reach a view.
bool ScrollKey(QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    return key == Qt::Key_PageUp || key == Qt::Key_PageDown || key == Qt::Key_Home || key == Qt::Key_End;
}

}  // namespace

ConsoleActions::ConsoleActions(HiermanMainWindow& window, ViewServices services)
    : QObject(&window),
      window_(window),
      services_(services),
      runner_(QtActionRunner::Hooks{services.boxes,
                                    [this](bool busy) {
                                        window_.Frame().SetBusy(busy);
                                        // A machine-bar click made just before does not switch
                                        // the view while the action runs.
                                        if (busy) window_.StopClickTimer();
                                    },
                                    [this] { UpdateCommandStates(); }}) {
    runners_ = [this] {
        // A worker's runner waits by polling on its own thread.
        static panelaid::BlockingWaitPump pump;
        panelaid::ConsoleDatabase& db = services_.db;
        return std::make_unique<panelaid::ProcessScriptRunner>([&db] { return db.RootDir(); }, pump);
    };
    for (int id : kViewCommands) {
        QAction* action = window_.Command(id);
        connect(action, &QAction::triggered, this, [this, id] { RunOnActiveView(id); });
    }
    if (MachineBarWidget* bar = window_.findChild<MachineBarWidget*>()) bar->installEventFilter(this);
    auto* idle = new QTimer(this);
    connect(idle, &QTimer::timeout, this, &ConsoleActions::UpdateCommandStates);
    idle->start(kIdleUpdateMs);
    UpdateCommandStates();
}

ConsoleActions::~ConsoleActions() = default;

bool ConsoleActions::Busy() const { return window_.Frame().Busy(); }

void ConsoleActions::Attach(HiermanViewWidget* view) {
    if (view == nullptr) return;
    view->installEventFilter(this);
    view->viewport()->installEventFilter(this);
    if (QWidget* sub = view->parentWidget()) sub->installEventFilter(this);
    connect(view, &QObject::destroyed, this, [this, view] { views_.erase(view); });
    UpdateCommandStates();
}

ViewActions* ConsoleActions::For(HiermanViewWidget* view) {
    if (view == nullptr) return nullptr;
    auto it = views_.find(view);
    if (it == views_.end()) {
        it = views_
                 .emplace(view, std::make_unique<ViewActions>(services_, view->Logic(), *view, *this, runner_,
                                                              [this] { return Busy(); }))
                 .first;
    }
    return it->second.get();
}

void ConsoleActions::UpdateCommandStates() {
    ViewActions* actions = For(window_.ActiveView());
    for (int id : kViewCommands) window_.Command(id)->setEnabled(actions != nullptr && actions->Enabled(id));
    window_.Command(kCmdCreateHierarchy)->setEnabled(window_.Frame().CreateHierarchyEnabled());
}

void ConsoleActions::RunOnActiveView(int command) {
    if (Busy()) return;
    if (ViewActions* actions = For(window_.ActiveView())) actions->Run(command);
    UpdateCommandStates();
}

void ConsoleActions::CreateHierarchy(const std::string& kit) {
    if (Busy()) return;
    if (ViewActions* actions = For(window_.ActiveView())) actions->CreateHierarchy(kit);
    UpdateCommandStates();
}

bool ConsoleActions::eventFilter(QObject* watched, QEvent* event) {
    if (!Busy()) return false;
    if (event->type() == QEvent::Close && qobject_cast<QMdiSubWindow*>(watched) != nullptr) {
        panelaid::BoxRequest box;
        box.caption = kConsoleTitle;
        box.text = kCloseWhileBusy;
        box.icon = panelaid::BoxIcon::Warning;
        services_.boxes.Ask(box);
        event->ignore();
        return true;
    }
    return ChangingInput(event->type()) && !ScrollKey(event);
}

bool ConsoleActions::Confirm(const std::string& text, const std::string& tag) {
    CConfirmDialog dialog(&window_);
    dialog.SetText(text);
    dialog.SetTag(tag);
    return dialog.exec() == QDialog::Accepted;
}

void ConsoleActions::RefreshAllViews() { window_.RefreshAllViews(); }

std::string ConsoleActions::ProcessId() { return window_.Frame().ProcessIdText(); }

std::unique_ptr<panelaid::ScriptRunner> ConsoleActions::NewScriptRunner() { return runners_(); }

void ConsoleActions::CreateHierarchy(RecoveryKitControlBlock* block) {
    // The kit's pages are windows of the console: the GUI thread loads the
    // kit and makes the call while the worker waits.
    auto call = [this, block] {
        block->m_hWndMain = &window_;
        block->m_pStatusBar = window_.statusBar();
        panelaid::KitLoader::Run(services_.db.RootDir(), block, panelaid::KitOperation::Create);
    };
    if (QThread::currentThread() == window_.thread())
        call();
    else
        QMetaObject::invokeMethod(&window_, call, Qt::BlockingQueuedConnection);
}

void ConsoleActions::ShowAttributes(const AttributeSheetData& data) {
    AttributeSheet sheet(data, &window_);
    sheet.exec();
}

}  // namespace hierman
