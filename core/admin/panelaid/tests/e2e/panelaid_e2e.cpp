// The utility library on a running system, under an X server: the service
// test on the real service and daemon, the real database's lists, a script
// run from the GUI thread, the status bar, and the progress box's pictures
// read back from the X server's screen at the places the animation computes.
// Exit 0 when every check holds; each failed check is printed.
#include "HierarchyQueries.h"
#include "PipeServiceControl.h"
#include "ProcessScriptRunner.h"
#include "QdbConsoleDatabase.h"
#include "QtProgressBox.h"
#include "QtWaitPump.h"
#include "ServiceTest.h"
#include "panelaid.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QScreen>
#include <QStatusBar>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

int gFailures = 0;

void Check(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
    if (!ok) ++gFailures;
}

void Pump(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    panelaid::QdbConsoleDatabase db;

    // The service runs and its monitor starts the daemon: 1 once it is there.
    panelaid::PipeServiceControl control;
    panelaid::ServiceTest service(control);
    QElapsedTimer t;
    t.start();
    int up = service.Test();
    while (up != 1 && t.elapsed() < 60000) {
        Pump(200);
        up = service.Test();
    }
    Check(up == 1, "the service and the daemon are up");
    Check(test_holdervane() == 1, "test_holdervane() is 1");

    // The real database lists both systems of the pair.
    panelaid::Records systems;
    Check(db.SystemList(nullptr, &systems) && systems.size() >= 2, "the database lists the systems");
    Check(db.LocalName() == "SYSA", "the local name is SYSA (" + db.LocalName() + ")");
    panelaid::HierarchyQueries queries(db);
    Check(queries.RootList(nullptr, "no-such-tag") == std::vector<std::string>{"no-such-tag"},
          "a tag without parents is its own root");
    Check(db.ErrorNumber() == 0, "the hierarchy queries leave no error");

    // A script run from the GUI thread, its output read back.
    const std::string root = db.RootDir();
    std::filesystem::create_directories(root + "/admin/bin");
    std::ofstream(root + "/admin/bin/E2eEcho") << "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done\n";
    std::filesystem::permissions(root + "/admin/bin/E2eEcho", std::filesystem::perms::owner_all);
    panelaid::QtWaitPump pump;
    panelaid::ProcessScriptRunner runner([&] { return root; }, pump);
    Check(runner.Execute("/admin/bin/E2eEcho", "SYSA 'x y' $(id)") == 0 && runner.LinesLeft() == 3 &&
              runner.NextLine() == "SYSA" && runner.NextLine() == "x y" && runner.NextLine() == "$(id)",
          "a script's words and output lines");

    QMainWindow window;
    window.setWindowTitle("Holdervane: Hierarchy Administration");
    window.resize(500, 300);
    window.show();
    const char* previous = PushStatusBarMessage("Working...", window.statusBar());
    Check(window.statusBar()->currentMessage() == "Working...", "the pushed status text shows");
    PopStatusBarMessage(previous, window.statusBar());
    Check(window.statusBar()->currentMessage() == "Ready", "the default text after the pop");

    // The progress box's pictures, from the X server.
    panelaid::QtProgressBox box(&window);
    box.Open(true);
    Pump(500);
    for (const auto& [counter, picture] : std::vector<std::pair<int, int>>{{0, 0}, {60, 0}, {65, 4}, {125, 4}}) {
        box.Animation().SetCounter(counter);
        box.repaint();
        Pump(200);
        const QImage shot = box.screen()->grabWindow(box.winId()).toImage();
        bool right = !shot.isNull();
        for (int p = 0; p < panelaid::ProgressAnimation::kPictures && right; ++p) {
            const QPoint at = panelaid::QtProgressBox::PictureOrigin() + panelaid::QtProgressBox::MarkCentre(p);
            right = (shot.pixelColor(at) == panelaid::QtProgressBox::MarkColour()) == (p == picture);
        }
        Check(right, "the frame at counter " + std::to_string(counter) + " shows picture " + std::to_string(picture));
    }
    box.Close();
    std::printf("%d failed\n", gFailures);
    return gFailures == 0 ? 0 : 1;
}
