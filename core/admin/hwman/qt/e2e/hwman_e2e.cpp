// The hardware console on SYSA of the two-system pair, under an X server:
// both systems with their socket and serial paths alive and drawn where the
// layout put them (read back from the screen), a socket path to SYSB made
// through the dialog on the proposed port, and (once the harness has added
// SYSB's end) that path alive at a later refresh. The harness is told the
// port through $HWMAN_E2E_DIR/port and answers with $HWMAN_E2E_DIR/peer-done.
// Exit 0 when every check holds; each failed check is printed.
#include "CommPathDialog.h"
#include "FigurePainter.h"
#include "HwmanWindow.h"
#include "PanelaidLibrary.h"
#include "panelaid.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QScreen>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

int gFailures = 0;

void Check(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
    std::fflush(stdout);
    if (!ok) ++gFailures;
}

bool PumpUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    QTimer wake;
    wake.start(20);
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Boxes are printed and answered as nobody would: the run never waits.
struct PrintedBoxes : panelaid::MessageBoxes {
    panelaid::BoxAnswer Ask(const panelaid::BoxRequest& r) override {
        std::printf("box: %s\n", r.text.c_str());
        return panelaid::NoAnswer(r);
    }
};

bool AllAlive(hwman::CHWMANDoc& doc, std::size_t paths) {
    const hwman::CHWMANSystem* local = doc.Local();
    if (local == nullptr || doc.Systems().size() != 2 || local->Paths().size() != paths) return false;
    for (const auto& p : local->Paths())
        if (p->status != hwman::kPathAlive) return false;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const char* dirEnv = std::getenv("HWMAN_E2E_DIR");
    const std::string dir = dirEnv != nullptr ? dirEnv : "/tmp";
    panelaid::PanelaidLibrary& lib = panelaid::PanelaidLibrary::Get();
    PrintedBoxes boxes;
    lib.UseParts({nullptr, &boxes, nullptr, nullptr, nullptr, nullptr});
    Check(PumpUntil([] { return test_holdervane() == 1; }, 60000), "the service and the daemon are up");

    hwman::SystemPathResources resources;
    hwman::HwmanWindow window(hwman::HwmanParts{lib.Db(), boxes, lib.Launch(), lib.Windows(), resources,
                                                nullptr, nullptr, 1000});
    window.Shell().move(0, 0);
    window.Shell().resize(900, 700);
    Check(window.Start(), "hwman starts");
    hwman::CHWMANDoc& doc = window.Doc();
    Check(PumpUntil([&] { return AllAlive(doc, 2); }, 90000), "SYSA and SYSB with their two paths alive");
    Check(doc.Systems().size() == 2 && doc.Systems()[0]->Name() == "SYSA" && doc.Systems()[1]->Name() == "SYSB",
          "SYSA first, then SYSB");
    PumpUntil([] { return false; }, 500);

    // The screen at the computed places: both boxes green, each line green a
    // quarter of the way along.
    hwman::HwmanView& view = window.View();
    const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    const auto at = [&](int x, int y) { return screen.pixelColor(view.viewport()->mapToGlobal(view.ToDevice(x, y))); };
    for (const auto& s : doc.Systems()) {
        const hwman::LRect r = s->rect;
        Check(at(r.left + 10, (r.top + r.bottom) / 2 + 20) == QColor(0, 255, 0), s->Name() + "'s box is green");
    }
    if (doc.Local() != nullptr)
        for (const auto& p : doc.Local()->Paths())
            Check(at(p->x1 + (p->x2 - p->x1) / 8, p->y1) == QColor(0, 255, 0), p->LabelText() + ": green line");

    // A socket path to SYSB through the dialog, on the proposed port.
    QString port;
    QTimer::singleShot(200, &window.Shell(), [&] {
        auto* dialog = qobject_cast<hwman::CommPathDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        port = dialog->findChild<QLineEdit*>(QStringLiteral("port"))->text();
        dialog->findChild<QComboBox*>(QStringLiteral("destination"))->setCurrentText(QStringLiteral("SYSB"));
        dialog->accept();
    });
    window.Shell().Action(32778)->trigger();
    Check(!port.isEmpty(), "the dialog proposed port " + port.toStdString());
    panelaid::Records paths;
    bool stored = false;
    if (lib.Db().NetworkList(nullptr, "SYSB", &paths))
        for (const std::string& r : paths) stored = stored || panelaid::SplitRecord(r)[1] == "TCPIP:" + port.toStdString();
    Check(stored, "the new path is in SYSA's database");

    std::ofstream(dir + "/port") << port.toStdString() << "\n";
    Check(PumpUntil([&] { return std::filesystem::exists(dir + "/peer-done"); }, 60000), "the harness added SYSB's end");
    Check(PumpUntil([&] { return AllAlive(doc, 3); }, 120000), "the new path turns alive at a later refresh");
    return gFailures == 0 ? 0 : 1;
}
