// The hierarchy console on SYSA of the two-system pair, under an X server:
// the view shows the pair's hierarchies with the icons of their states, the
// machine bar shows both systems alive, a click on SYSB switches the view
// once the double-click time has passed, and the pixels the X server shows
// at the computed cells are the icons'. A second start of the hierman
// program brings this console forward and ends. Stop is not tried: the
// service is the machine's first process. Exit 0 when every check holds;
// each failed check is printed.
#include "E2eChecks.h"
#include "HiermanConsole.h"
#include "HiermanViewWidget.h"
#include "IconPainter.h"
#include "MachineBarWidget.h"
#include "QtConsoleInstance.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QProcess>
#include <QScreen>

#include <cstdio>
#include <functional>
#include <string>

namespace {

using e2e::Check;
using e2e::WaitFor;

int RootIcon(hierman::HiermanViewWidget* view, const char* tag) {
    hierman::CMatrixCell* root = view->Logic().FindRoot(tag);
    return root ? view->Logic().IconOf(root) : -1;
}

// The X server's pixel inside the icon of a cell matches the icon's own.
bool IconOnScreen(hierman::HiermanViewWidget* view, const char* tag) {
    hierman::CMatrixCell* root = view->Logic().FindRoot(tag);
    if (!root) return false;
    const int size = view->Logic().IconSize();
    const QImage icon = hierman::IconPixmap(view->Logic().IconOf(root), size).toImage();
    const QPoint inside(size * 5 / 16, size * 5 / 16);
    const QPoint at = view->viewport()->mapToGlobal(view->CellRect(root->column, root->row).topLeft() + inside);
    const QImage shot = view->screen()->grabWindow(0, at.x(), at.y(), 1, 1).toImage();
    return !shot.isNull() && shot.pixelColor(0, 0).rgb() == icon.pixelColor(inside).rgb();
}

// The machine bar's button of a system shows its icon on the screen, at a
// pixel the icon covers fully.
bool ButtonOnScreen(hierman::HiermanMainWindow& window, const char* system) {
    hierman::CMachineBar& bar = window.Bar();
    const hierman::CMatrixCell* button = bar.Buttons().FindRoot(system);
    auto* widget = window.findChild<hierman::MachineBarWidget*>();
    if (!button || !widget) return false;
    const int size = bar.IconSize();
    const QImage icon = hierman::IconPixmap(bar.ButtonIcon(button), size).toImage();
    QPoint inside(-1, -1);
    for (int y = 0; y < size && inside.x() < 0; ++y)
        for (int x = 0; x < size && inside.x() < 0; ++x)
            if (icon.pixelColor(x, y).alpha() == 255) inside = QPoint(x, y);
    if (inside.x() < 0) return false;
    const QPoint at = widget->mapToGlobal(QPoint(button->column * size, button->row * size) + inside);
    const QImage shot = widget->screen()->grabWindow(0, at.x(), at.y(), 1, 1).toImage();
    return !shot.isNull() && shot.pixelColor(0, 0).rgb() == icon.pixelColor(inside).rgb();
}

bool ShowsHierarchies(hierman::HiermanMainWindow& window, const std::string& system, int h1, int h2) {
    hierman::HiermanViewWidget* view = window.ActiveView();
    if (!view || view->Logic().SystemName() != system) return false;
    if (RootIcon(view, "H1a") != h1 || RootIcon(view, "H2a") != h2) {
        window.RefreshAllViews();
        return false;
    }
    return IconOnScreen(view, "H1a") && IconOnScreen(view, "H2a");
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    panelaid::PanelaidLibrary& lib = panelaid::PanelaidLibrary::Get();
    Check(WaitFor([&] { return lib.Service().Test() == 1; }, 60000), "the service and the daemon are up");

    panelaid::QtConsoleInstance instance;
    Check(instance.Claim("HIERMAN") == panelaid::ConsoleInstance::Claim::Owner, "the console owns its name");
    hierman::HiermanConsole console(lib);
    instance.SetWindow(&console.Window());
    hierman::HiermanMainWindow& window = console.Window();
    Check(console.Start(), "the console starts");

    // SYSA runs H1 and stands by for H2; both trees show collapsed.
    Check(WaitFor([&] {
              return ShowsHierarchies(window, "SYSA", hierman::kIconSummaryInService,
                                      hierman::kIconSummaryOutOfService);
          }, 30000),
          "SYSA's view: H1a in service, H2a standing by, their icons on the screen");

    hierman::CMachineBar& bar = window.Bar();
    auto alive = [&](const char* system) {
        const hierman::CMatrixCell* button = bar.Buttons().FindRoot(system);
        return button && bar.ButtonIcon(button) == hierman::kMachineAlive;
    };
    Check(WaitFor([&] {
              if (alive("SYSA") && alive("SYSB") && ButtonOnScreen(window, "SYSA") && ButtonOnScreen(window, "SYSB"))
                  return true;
              bar.Update();
              return false;
          }, 30000),
          "the machine bar shows SYSA and SYSB alive, their icons on the screen");

    // A single click on SYSB: nothing until the double-click time passed.
    auto* barWidget = window.findChild<hierman::MachineBarWidget*>();
    const hierman::CMatrixCell* sysb = bar.Buttons().FindRoot("SYSB");
    if (barWidget && sysb) {
        const QPoint at(sysb->column * bar.IconSize() + bar.IconSize() / 2, sysb->row * bar.IconSize() + 4);
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), barWidget->mapToGlobal(QPointF(at)), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), barWidget->mapToGlobal(QPointF(at)),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(barWidget, &press);
        QApplication::sendEvent(barWidget, &release);
        Check(bar.PendingSystem() == "SYSB" && window.ActiveView()->Logic().SystemName() == "SYSA",
              "right after the click the view still shows SYSA");
        Check(WaitFor([&] {
                  return ShowsHierarchies(window, "SYSB", hierman::kIconSummaryOutOfService,
                                          hierman::kIconSummaryInService);
              }, 30000),
              "after the double-click time the view shows SYSB's database: H1a standing by, H2a in service");
    } else {
        Check(false, "the machine bar's SYSB button");
    }

    // A second start of the program raises this console and ends; the
    // event loop runs meanwhile, to answer it.
    QProcess second;
    second.setProcessChannelMode(QProcess::ForwardedChannels);
    second.start(QCoreApplication::applicationDirPath() + "/hierman", QStringList());
    const bool ended = WaitFor([&] { return second.state() == QProcess::NotRunning; }, 30000);
    Check(ended && second.exitStatus() == QProcess::NormalExit && second.exitCode() == 0,
          "a second hierman ends at once");
    if (!ended) {
        second.kill();
        second.waitForFinished(5000);
    }
    Check(WaitFor([&] { return instance.RaisesServed() == 1; }, 10000), "the second start raised this console");

    return e2e::Finish();
}
