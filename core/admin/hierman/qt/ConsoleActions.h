// The administrator actions in the Qt console: each view's commands wired
// to the console's actions, the worker runner with the busy flag, the state
// of the action commands, and while an action runs: view windows that do
// not close and views and a machine bar that ignore input which would change
// cells or the shown system (painting and scrolling go on).
#pragma once

#include "ActionHost.h"
#include "QtActionRunner.h"
#include "ViewActions.h"

#include <QObject>

#include <functional>
#include <map>
#include <memory>

namespace hierman {

class HiermanMainWindow;
class HiermanViewWidget;

inline constexpr const char* kCloseWhileBusy =
    "Please wait until the requested action has completedbefore attempting to close any view windows.";

class ConsoleActions : public QObject, public ActionHost {
    Q_OBJECT
public:
    using RunnerFactory = std::function<std::unique_ptr<panelaid::ScriptRunner>()>;

    ConsoleActions(HiermanMainWindow& window, ViewServices services);
    ~ConsoleActions() override;

    // Takes the view (and its window) under the actions' rules.
    void Attach(HiermanViewWidget* view);
    // Starts Create Hierarchy with a kit in the active view.
    void CreateHierarchy(const std::string& kit);
    // The actions of a view (made on first use); null for null.
    ViewActions* For(HiermanViewWidget* view);
    void UpdateCommandStates();
    bool Busy() const;
    // Where the workers' scripts run; the default spawns them under the root.
    void UseScriptRunners(RunnerFactory factory) { runners_ = std::move(factory); }
    QtActionRunner& Runner() { return runner_; }

    // ActionHost
    bool Confirm(const std::string& text, const std::string& tag) override;
    void RefreshAllViews() override;
    std::string ProcessId() override;
    std::unique_ptr<panelaid::ScriptRunner> NewScriptRunner() override;
    void CreateHierarchy(RecoveryKitControlBlock* block) override;
    void ShowAttributes(const AttributeSheetData& data) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void RunOnActiveView(int command);

    HiermanMainWindow& window_;
    ViewServices services_;
    QtActionRunner runner_;
    RunnerFactory runners_;
    std::map<HiermanViewWidget*, std::unique_ptr<ViewActions>> views_;
};

}  // namespace hierman
