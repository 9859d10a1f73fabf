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
#include "QtWait.h"
#include "panelaid.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
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
    Check(panelaid::WaitForEvents([] { return test_holdervane() == 1; }, 60000), "the service and the daemon are up");

    hwman::SystemPathResources resources;
    hwman::HwmanWindow window(hwman::HwmanParts{lib.Db(), boxes, lib.Launch(), lib.Windows(), resources,
                                                nullptr, nullptr, 1000});
    window.Shell().move(0, 0);
    window.Shell().resize(900, 700);
    Check(window.Start(), "hwman starts");
    hwman::CHWMANDoc& doc = window.Doc();
    Check(panelaid::WaitForEvents([&] { return AllAlive(doc, 2); }, 90000), "SYSA and SYSB with their two paths alive");
    Check(doc.Systems().size() == 2 && doc.Systems()[0]->Name() == "SYSA" && doc.Systems()[1]->Name() == "SYSB",
          "SYSA first, then SYSB");

    // The screen at the computed places: both boxes green, each line green a
    // quarter of the way along. Read again until the server shows them.
    hwman::HwmanView& view = window.View();
    struct Spot {
        QPoint at;
        std::string what;
    };
    std::vector<Spot> spots;
    const auto global = [&](int x, int y) { return view.viewport()->mapToGlobal(view.ToDevice(x, y)); };
    for (const auto& s : doc.Systems())
        spots.push_back({global(s->rect.left + 10, (s->rect.top + s->rect.bottom) / 2 + 20), s->Name() + "'s box is green"});
    if (doc.Local() != nullptr)
        for (const auto& p : doc.Local()->Paths())
            spots.push_back({global(p->x1 + (p->x2 - p->x1) / 8, p->y1), p->LabelText() + ": green line"});
    QImage screen;
    const auto allGreen = [&] {
        screen = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        for (const Spot& spot : spots)
            if (screen.pixelColor(spot.at) != QColor(0, 255, 0)) return false;
        return true;
    };
    window.Shell().repaint();
    panelaid::WaitForEvents(allGreen, 10000);
    for (const Spot& spot : spots) Check(screen.pixelColor(spot.at) == QColor(0, 255, 0), spot.what);

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
    Check(panelaid::WaitForEvents([&] { return std::filesystem::exists(dir + "/peer-done"); }, 60000), "the harness added SYSB's end");
    Check(panelaid::WaitForEvents([&] { return AllAlive(doc, 3); }, 120000), "the new path turns alive at a later refresh");
    return gFailures == 0 ? 0 : 1;
}
