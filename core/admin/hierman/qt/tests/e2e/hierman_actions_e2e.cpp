// The hierarchy console's actions on SYSA of the two-system pair, under an X
// server, one step per run (the harness audits the pair between steps):
//   transfer  In Service of H2 (held by SYSB) moves it here: the stand-in
//             scripts' journal shows the transfer's sequence and H2's icons
//             turn in service at a later refresh;
//   delete    Out of Service, then Delete Hierarchy, of H1: it leaves both
//             databases.
// Every confirmation is accepted; any other box is printed and fails the
// run. Exit 0 when every check holds; each failed check is printed.
#include "E2eChecks.h"
#include "ConsoleActions.h"
#include "CMainFrame.h"
#include "FrameCommands.h"
#include "HiermanConsole.h"
#include "HiermanViewWidget.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

using e2e::Check;
using e2e::WaitFor;

// The icon of a cell, after a refresh of the views (a watch tick's work).
int IconOf(hierman::HiermanMainWindow& window, const char* tag) {
    window.RefreshAllViews();
    hierman::HiermanViewWidget* view = window.ActiveView();
    hierman::CMatrixCell* cell = view ? view->Logic().FindCell(tag) : nullptr;
    return cell ? view->Logic().IconOf(cell) : -1;
}

// The journal of the stand-in scripts, each line as "<script> <arguments>".
Strings Journal(const std::string& root) {
    std::ifstream in(root + "/tmp/admin.journal");
    Strings lines;
    for (std::string line; std::getline(in, line);) {
        const std::size_t bin = line.find("/admin/bin/");
        lines.push_back(bin == std::string::npos ? line : line.substr(bin + 11));
    }
    return lines;
}

void Print(const char* title, const Strings& lines) {
    std::printf("%s\n", title);
    for (const std::string& l : lines) std::printf("  %s\n", l.c_str());
}

// Accepts each confirmation; any other box is printed, counted and closed.
class Answerer {
public:
    Answerer() {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                std::printf("box: %s\n", box->text().toStdString().c_str());
                ++others;
                box->reject();
            } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
                ++confirmed;
                dialog->accept();
            }
        });
        timer_.start(50);
    }
    int confirmed = 0;
    int others = 0;

private:
    QTimer timer_;
};

// Selects the root and puts the focus on it, as a click does.
bool Select(hierman::HiermanMainWindow& window, const char* tag) {
    hierman::HiermanViewWidget* view = window.ActiveView();
    hierman::CMatrixCell* root = view ? view->Logic().FindRoot(tag) : nullptr;
    if (!root) return false;
    view->Logic().ButtonDown({root->column, root->row});
    window.Actions().UpdateCommandStates();
    return root->selected;
}

// Runs a command of the active view; false when it was not enabled.
bool Run(hierman::HiermanMainWindow& window, int command) {
    window.Actions().UpdateCommandStates();
    QAction* action = window.Command(command);
    if (!action->isEnabled()) {
        hierman::HiermanViewWidget* view = window.ActiveView();
        std::printf("command %d disabled (view %p, focus %d,%d, busy %d)\n", command, static_cast<void*>(view),
                    view ? view->Logic().Focus().column : -1, view ? view->Logic().Focus().row : -1,
                    window.Frame().Busy() ? 1 : 0);
        return false;
    }
    action->trigger();
    return true;
}

bool Absent(panelaid::ConsoleDatabase& db, const char* system, const char* tag) {
    panelaid::Records records;
    panelaid::InstanceQuery query;
    query.tag = tag;
    const bool found = db.InstanceList(system, query, &records);
    db.ClearError();
    return !found;
}

void Transfer(hierman::HiermanMainWindow& window, const std::string& root, const std::string& pid) {
    Check(WaitFor([&] {
              return IconOf(window, "H1a") == hierman::kIconSummaryInService &&
                     IconOf(window, "H2a") == hierman::kIconSummaryOutOfService;
          }, 30000),
          "SYSA's view: H1a in service, H2a standing by");
    Answerer answers;
    Check(Select(window, "H2a"), "H2a selected");
    Check(Run(window, hierman::kCmdInService), "In Service is enabled");
    Check(answers.confirmed == 1 && answers.others == 0, "one confirmation and no other box");
    const Strings expected{
        "Transfer SYSA SYSB .PreTransfer " + pid,       "Remove SYSB SYSA .PreRemove " + pid + " nolock",
        "Remove SYSB SYSA H2a " + pid,                  "Remove SYSB SYSA H2b " + pid,
        "Remove SYSB SYSA H2c " + pid,                  "Remove SYSB SYSA .PostRemove " + pid + " nolock",
        "Restore SYSA SYSB .PreRestore " + pid + " nolock", "Restore SYSA SYSB H2c " + pid,
        "Restore SYSA SYSB H2b " + pid,                 "Restore SYSA SYSB H2a " + pid,
        "Restore SYSA SYSB .PostRestore " + pid + " nolock", "Transfer SYSA SYSB .PostTransfer " + pid};
    const Strings journal = Journal(root);
    Check(journal == expected, "the journal holds the transfer's sequence");
    if (journal != expected) Print("journal:", journal);
    Check(WaitFor([&] { return IconOf(window, "H2a") == hierman::kIconSummaryInService; }, 30000),
          "H2a shows in service at a later refresh");
    hierman::HiermanViewWidget* view = window.ActiveView();
    Check(WaitFor([&] {
              for (const char* tag : {"H2a", "H2b", "H2c"})
                  if (view->Logic().InstanceStateIcon("SYSA", tag) != hierman::kIconInService) return false;
              return true;
          }, 30000),
          "H2a, H2b and H2c each give icon 130 here");
}

void Delete(hierman::HiermanMainWindow& window, panelaid::ConsoleDatabase& db, const std::string& root,
            const std::string& pid) {
    Check(WaitFor([&] {
              return IconOf(window, "H1a") == hierman::kIconSummaryInService &&
                     IconOf(window, "H2a") == hierman::kIconSummaryInService;
          }, 30000),
          "SYSA's view: H1a and H2a in service");
    Answerer answers;
    Check(Select(window, "H1a"), "H1a selected");
    Check(Run(window, hierman::kCmdOutService), "Out of Service is enabled");
    Check(answers.confirmed == 1 && answers.others == 0, "Out of Service: one confirmation and no other box");
    const Strings removes{"Remove SYSA SYSB .PreRemove " + pid, "Remove SYSA SYSB H1a " + pid,
                          "Remove SYSA SYSB H1b " + pid, "Remove SYSA SYSB H1c " + pid,
                          "Remove SYSA SYSB .PostRemove " + pid};
    Check(Journal(root) == removes, "the journal holds the removes top-down");
    if (Journal(root) != removes) Print("journal:", Journal(root));
    Check(WaitFor([&] { return IconOf(window, "H1a") == hierman::kIconSummaryOutOfService; }, 30000),
          "H1a shows out of service");

    Check(Select(window, "H1a"), "H1a selected again");
    Check(Run(window, hierman::kCmdDeleteHierarchy), "Delete Hierarchy is enabled");
    Check(answers.confirmed == 2 && answers.others == 0, "Delete Hierarchy: one confirmation and no other box");
    Strings deletes = removes;
    for (const char* step : {".PreDelete", "H1a", ".PostDelete"})
        deletes.push_back(std::string("Delete SYSA SYSB ") + step + " " + pid);
    Check(Journal(root) == deletes, "the journal holds the delete");
    if (Journal(root) != deletes) Print("journal:", Journal(root));
    for (const char* tag : {"H1a", "H1b", "H1c"}) {
        Check(WaitFor([&] { return Absent(db, "SYSA", tag) && Absent(db, "SYSB", tag); }, 30000),
              std::string(tag) + " is in neither database");
    }
    Check(WaitFor([&] {
              window.RefreshAllViews();
              return window.ActiveView()->Logic().FindRoot("H1a") == nullptr;
          }, 30000),
          "the view no longer shows H1a");
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::string step = argc > 1 ? argv[1] : "";
    if (step != "transfer" && step != "delete") {
        std::fprintf(stderr, "usage: hierman_actions_e2e transfer|delete\n");
        return 64;
    }
    panelaid::PanelaidLibrary& lib = panelaid::PanelaidLibrary::Get();
    Check(WaitFor([&] { return lib.Service().Test() == 1; }, 60000), "the service and the daemon are up");
    hierman::HiermanConsole console(lib);
    hierman::HiermanMainWindow& window = console.Window();
    Check(console.Start(), "the console starts");
    const std::string root = lib.Db().RootDir();
    std::ofstream(root + "/tmp/admin.journal", std::ios::trunc).close();
    const std::string pid = window.Frame().ProcessIdText();
    if (step == "transfer")
        Transfer(window, root, pid);
    else
        Delete(window, lib.Db(), root, pid);
    return e2e::Finish();
}
