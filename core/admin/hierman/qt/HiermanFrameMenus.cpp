// The main window's commands: the menus, the two toolbars and what the View,
// Window, Tools and Help menus do. The actions' texts, prompts and ids come
// from the console's command table.
#include "ContextHelp.h"
#include "FrameCommands.h"
#include "HelpTable.h"
#include "HiermanMainWindow.h"
#include "HiermanViewWidget.h"
#include "IconPainter.h"
#include "WindowArrange.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QToolBar>

namespace hierman {

namespace {

constexpr const char* kAboutTitle = "About Hierarchy Status and Administration";

template <typename F>
QAction* Handle(QAction* action, QObject* context, F&& f) {
    QObject::connect(action, &QAction::triggered, context, std::forward<F>(f));
    action->setEnabled(true);
    return action;
}

}  // namespace

QAction* HiermanMainWindow::Command(int id) {
    if (auto it = commands_.find(id); it != commands_.end()) return it->second;
    auto* action = new QAction(this);
    if (const CommandText* text = FindCommand(id)) {
        const PromptParts prompt = SplitPrompt(*text);
        action->setText(QString::fromUtf8(*text->menu != '\0' ? text->menu : prompt.tip.c_str()));
        action->setStatusTip(QString::fromStdString(prompt.status));
        action->setToolTip(QString::fromStdString(prompt.tip));
    }
    action->setIcon(ToolButtonIcon(id));
    action->setData(id);
    action->setEnabled(false);
    commands_[id] = action;
    return action;
}

void HiermanMainWindow::BuildMenus() {
    QMenu* admin = menuBar()->addMenu(QStringLiteral("&Admin"));
    admin->addActions({Command(kCmdInService), Command(kCmdOutService)});
    admin->addSeparator();
    admin->addActions({Command(kCmdCreateDependency), Command(kCmdDeleteDependency)});
    admin->addSeparator();
    QAction* create = Handle(Command(kCmdCreateHierarchy), this, [this] { ShowKitMenu(); });
    admin->addActions({create, Command(kCmdDeleteHierarchy)});
    admin->addSeparator();
    Command(kCmdAttributes)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    admin->addAction(Command(kCmdAttributes));
    admin->addSeparator();
    admin->addAction(Handle(Command(kCmdStopHoldervane), this, [this] { frame_.StopHoldervane(); }));
    admin->addAction(Handle(Command(kCmdExit), this, [this] { close(); }));
    connect(admin, &QMenu::aboutToShow, this, &HiermanMainWindow::UpdateCommandStates);
    connect(&watch_, &QTimer::timeout, this, &HiermanMainWindow::UpdateCommandStates);

    QMenu* tree = menuBar()->addMenu(QStringLiteral("T&ree"));
    struct TreeItem { int id; CHiermanView::TreeCommand command; } items[] = {
        {kCmdExpand, CHiermanView::TreeCommand::Expand},
        {kCmdCollapse, CHiermanView::TreeCommand::Collapse},
        {kCmdExpandTree, CHiermanView::TreeCommand::ExpandTree},
        {kCmdCollapseTree, CHiermanView::TreeCommand::CollapseTree},
    };
    for (const TreeItem& item : items) {
        const CHiermanView::TreeCommand command = item.command;
        tree->addAction(Handle(Command(item.id), this, [this, command] {
            if (HiermanViewWidget* view = ActiveView(); view && !frame_.Busy()) view->Logic().RunTreeCommand(command);
        }));
    }

    QMenu* tools = menuBar()->addMenu(QStringLiteral("&Tools"));
    tools->addAction(Handle(Command(kCmdApplicationStatus), this,
                            [this] { frame_.LaunchSibling(CMainFrame::Sibling::ApplicationStatus); }));
    tools->addAction(Handle(Command(kCmdHardwareAdmin), this,
                            [this] { frame_.LaunchSibling(CMainFrame::Sibling::HardwareAdmin); }));

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    for (int id : {kCmdMainToolbar, kCmdToolsToolbar, kCmdStatusBar}) {
        QAction* toggle = Command(id);
        toggle->setCheckable(true);
        toggle->setEnabled(true);
        view->addAction(toggle);
    }
    connect(Command(kCmdStatusBar), &QAction::toggled, statusBar(), &QWidget::setVisible);

    QMenu* window = menuBar()->addMenu(QStringLiteral("&Window"));
    window->addAction(Handle(Command(kCmdCascade), mdi_, [this] { mdi_->cascadeSubWindows(); }));
    window->addAction(Handle(Command(kCmdTileHorizontally), this, [this] { TileViews(true); }));
    window->addAction(Handle(Command(kCmdTileVertically), this, [this] { TileViews(false); }));
    window->addAction(Handle(Command(kCmdArrangeIcons), this, [this] { ArrangeIcons(); }));
    // Below the fixed items, one item per view's window, the active one checked.
    const int fixedItems = static_cast<int>(window->actions().size());
    connect(window, &QMenu::aboutToShow, this, [this, window, fixedItems] {
        const QList<QAction*> items = window->actions();
        for (qsizetype i = fixedItems; i < items.size(); ++i) {
            window->removeAction(items[i]);
            items[i]->deleteLater();
        }
        const QList<QMdiSubWindow*> subs = mdi_->subWindowList();
        if (!subs.isEmpty()) window->addSeparator();
        for (qsizetype i = 0; i < subs.size() && i < 9; ++i) {
            QMdiSubWindow* sub = subs[i];
            QAction* item = window->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(sub->windowTitle()));
            item->setCheckable(true);
            item->setChecked(sub == mdi_->activeSubWindow());
            connect(item, &QAction::triggered, sub, [this, sub] { mdi_->setActiveSubWindow(sub); });
        }
    });

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->addAction(Handle(Command(kCmdHelpContents), this, [this] { frame_.ShowHelp(0); }));
    help->addAction(Handle(Command(kCmdUsingHelp), this, [this] { frame_.ShowHelp(0); }));
    help->addSeparator();
    help->addAction(Handle(Command(kCmdAbout), this, [this] { ShowAbout(); }));
    QAction* helpKey = Handle(Command(kCmdHelp), this, [this] { frame_.ShowHelp(kMainWindowHelpId); });
    helpKey->setShortcut(QKeySequence(Qt::Key_F1));
    QAction* contextKey = Handle(Command(kCmdContextHelp), this, [this] { EnterContextHelp(); });
    contextKey->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1));
    addActions({helpKey, contextKey});
    for (QMenu* menu : {admin, tree, tools, view, window, help})
        panelaid::AnswerMenuHelp(menu, [this](const QAction* a) { return CommandOf(a); },
                                 [this](int helpId) { frame_.ShowHelp(helpId); });

    // Without a view only the View and Help menus stand.
    auto followViews = [this, admin, tree, tools, window] {
        const bool views = !mdi_->subWindowList().isEmpty();
        for (QMenu* menu : {admin, tree, tools, window}) menu->menuAction()->setVisible(views);
    };
    connect(mdi_, &QMdiArea::subWindowActivated, this, followViews);
    followViews();
}

void HiermanMainWindow::BuildToolBars() {
    mainToolBar_ = addToolBar(QStringLiteral("Toolbar"));
    mainToolBar_->setObjectName(QStringLiteral("MainToolBar"));
    mainToolBar_->addActions({Command(kCmdInService), Command(kCmdOutService)});
    mainToolBar_->addSeparator();
    mainToolBar_->addActions({Command(kCmdCreateDependency), Command(kCmdDeleteDependency)});
    mainToolBar_->addSeparator();
    mainToolBar_->addActions({Command(kCmdCreateHierarchy), Command(kCmdDeleteHierarchy)});
    mainToolBar_->addSeparator();
    mainToolBar_->addActions({Command(kCmdAbout), Command(kCmdContextHelp)});

    toolsToolBar_ = addToolBar(QStringLiteral("Tools"));
    toolsToolBar_->setObjectName(QStringLiteral("ToolsToolBar"));
    toolsToolBar_->addActions({Command(kCmdHardwareAdmin), Command(kCmdApplicationStatus)});
    toolsToolBar_->hide();

    // A toggle and its bar stay in step whichever of them changes.
    struct Pair { int id; QToolBar* bar; } pairs[] = {{kCmdMainToolbar, mainToolBar_}, {kCmdToolsToolbar, toolsToolBar_}};
    for (const Pair& pair : pairs) {
        QAction* toggle = Command(pair.id);
        toggle->setChecked(!pair.bar->isHidden());
        connect(toggle, &QAction::toggled, pair.bar, &QWidget::setVisible);
        connect(pair.bar, &QToolBar::visibilityChanged, toggle, [this, toggle, bar = pair.bar] {
            // A bar hidden with its minimized window keeps its setting.
            if (!isMinimized()) toggle->setChecked(!bar->isHidden());
        });
    }
    Command(kCmdStatusBar)->setChecked(!statusBar()->isHidden());
}

void HiermanMainWindow::UpdateCommandStates() {
    Command(kCmdCreateHierarchy)->setEnabled(frame_.CreateHierarchyEnabled());
}

void HiermanMainWindow::TileViews(bool horizontal) {
    QList<QMdiSubWindow*> shown;
    for (QMdiSubWindow* sub : mdi_->subWindowList())
        if (!sub->isMinimized() && !sub->isHidden()) shown.append(sub);
    const QSize area = mdi_->viewport()->size();
    const std::vector<ArrangeRect> rects = TileRects(static_cast<int>(shown.size()), area.width(), area.height(),
                                                     horizontal);
    for (std::size_t i = 0; i < rects.size(); ++i) {
        QMdiSubWindow* sub = shown[static_cast<qsizetype>(i)];
        if (sub->isMaximized()) sub->showNormal();
        sub->setGeometry(rects[i].x, rects[i].y, rects[i].width, rects[i].height);
    }
}

void HiermanMainWindow::ArrangeIcons() {
    QList<QMdiSubWindow*> icons;
    for (QMdiSubWindow* sub : mdi_->subWindowList())
        if (sub->isMinimized()) icons.append(sub);
    if (icons.isEmpty()) return;
    const QSize icon = icons.first()->size();
    const QSize area = mdi_->viewport()->size();
    const std::vector<ArrangeRect> rects = IconRowRects(static_cast<int>(icons.size()), area.width(), area.height(),
                                                        icon.width(), icon.height());
    for (std::size_t i = 0; i < rects.size(); ++i) icons[static_cast<qsizetype>(i)]->move(rects[i].x, rects[i].y);
}

void HiermanMainWindow::ShowAbout() {
    QMessageBox box(this);
    box.setWindowTitle(QString::fromUtf8(kAboutTitle));
    box.setIconPixmap(IconPixmap(kProgramIcon, 32));
    box.setText(QString::fromUtf8(kConsoleTitle));
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

void HiermanMainWindow::EnterContextHelp() { panelaid::EnterContextHelp(); }

bool HiermanMainWindow::event(QEvent* event) {
    // A click in context-help mode on a part without help of its own: a
    // toolbar button, a bar, the window's frame.
    // A click on the menu bar opens the menu to pick a command from.
    if (event->type() == QEvent::WhatsThis &&
        panelaid::OpenMenuForHelp(*this, static_cast<QHelpEvent*>(event)->pos()))
        return true;
    const bool help = panelaid::AnswerContextHelp(event, [this](QPoint at) {
        auto commandOf = [this](const QAction* a) { return CommandOf(a); };
        frame_.ShowHelp(panelaid::WindowPartHelpId(*this, at, commandOf, kMainWindowHelpId));
    });
    return help || QMainWindow::event(event);
}

int HiermanMainWindow::CommandOf(const QAction* action) const {
    const int id = action->data().toInt();
    const auto it = commands_.find(id);
    return it != commands_.end() && it->second == action ? id : 0;
}

void HiermanMainWindow::FollowHelp(HiermanViewWidget* view) {
    connect(view, &HiermanViewWidget::helpRequested, this, [this](int id) { frame_.ShowHelp(id); });
}

void HiermanMainWindow::RestoreSettings() {
    panelaid::WindowPlacement placement;
    placement.show = -2;
    int toolbar = 1;
    int bar = 1;
    services_.settings.Retrieve(kConsoleTitle, nullptr, &placement, &toolbar, &bar);
    if (placement.show == 0 && panelaid::WindowSettings::UsableArea(placement))
        setGeometry(placement.left, placement.top, placement.width, placement.height);
    Command(kCmdMainToolbar)->setChecked(toolbar != 0);
    Command(kCmdStatusBar)->setChecked(bar != 0);
    mainToolBar_->setVisible(toolbar != 0);
    statusBar()->setVisible(bar != 0);
}

void HiermanMainWindow::SaveSettings() {
    // The window's own area in its normal state: restored as it is, it
    // neither grows by the frame at each start nor takes a maximized size.
    const QRect normal = normalGeometry().isValid() ? normalGeometry() : geometry();
    const panelaid::WindowPlacement placement{isMaximized() ? 1 : isMinimized() ? -1 : 0, normal.left(), normal.top(),
                                              normal.width(), normal.height()};
    services_.settings.Save(kConsoleTitle, nullptr, placement, mainToolBar_->isHidden() ? 0 : 1,
                            statusBar()->isHidden() ? 0 : 1);
}

}  // namespace hierman
