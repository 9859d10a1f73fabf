// The application status console on SYSA of the running pair, under an X
// server: H1's and H2's trees Protected with rows for SYSA and SYSB, the
// bitmaps read back from the X server's screen at the computed boxes, and,
// once the pair's script has taken H2 out of service on SYSB (it writes
// <handshake>/removed after this program wrote <handshake>/ready), H2's row
// for SYSB Standby and its tree Down at a later refresh of the clock.
// Exit 0 when every check holds; each check is printed.
#include "AppstatBitmaps.h"
#include "AppstatConsole.h"
#include "FakeMessageBoxes.h"
#include "PanelaidLibrary.h"
#include "QtWait.h"

#include <QApplication>
#include <QScreen>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>

namespace {

int gFailures = 0;

void Check(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
    std::fflush(stdout);
    if (!ok) ++gFailures;
}

const appstat::CAPPSTATRootResource* TreeOf(appstat::CAPPSTATDoc& doc, const std::string& tag) {
    for (const auto& tree : doc.Trees())
        if (tree->Tag() == tag) return tree.get();
    return nullptr;
}

std::string Rows(const appstat::CAPPSTATRootResource& tree) {
    std::string rows;
    for (const auto& e : tree.Entries()) rows += e->Name() + "=" + std::to_string(static_cast<int>(e->State())) + " ";
    return rows;
}

// The tree (and its rows) as the database says on the pair: Protected, SYSA
// and SYSB in that order with the given states.
bool Shows(appstat::CAPPSTATDoc& doc, const std::string& tag, appstat::TreeState state, appstat::SystemState onA,
           appstat::SystemState onB) {
    const appstat::CAPPSTATRootResource* tree = TreeOf(doc, tag);
    return tree && tree->State() == state && tree->Entries().size() == 2 && tree->Entries()[0]->Name() == "SYSA" &&
           tree->Entries()[1]->Name() == "SYSB" && tree->Entries()[0]->State() == onA &&
           tree->Entries()[1]->State() == onB;
}

QColor BitmapCentre(int number) {
    const QImage image = appstat::AppstatBitmap(number).toImage();
    // The tree bitmaps' local machine face, the entries' disc.
    return number == 157 || number >= 162 ? image.pixelColor(24, 24) : image.pixelColor(18, 24);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: appstat_e2e HANDSHAKE_DIR\n");
        return 64;
    }
    const std::filesystem::path handshake = argv[1];
    QApplication app(argc, argv);
    panelaid::PanelaidLibrary& lib = panelaid::PanelaidLibrary::Get();
    // Boxes are recorded, never shown: a box would wait for a user forever.
    panelaid::FakeMessageBoxes boxes;
    panelaid::LibraryParts parts;
    parts.boxes = &boxes;
    lib.UseParts(parts);
    Check(panelaid::WaitForEvents([&] { return lib.Service().Test() == 1; }, 60000),
          "the service and the daemon are up");

    appstat::AppstatConsole console(panelaid::ShellServices{lib.Db(), boxes, lib.Launch(), nullptr, nullptr},
                                    lib.Windows());
    console.Shell().resize(900, 700);
    Check(console.Start(), "the console starts");
    appstat::CAPPSTATDoc& doc = console.Doc();
    using appstat::SystemState;
    using appstat::TreeState;
    const bool both = panelaid::WaitForEvents(
        [&] {
            return Shows(doc, "H1a", TreeState::Protected, SystemState::Active, SystemState::Standby) &&
                   Shows(doc, "H2a", TreeState::Protected, SystemState::Standby, SystemState::Active);
        },
        60000);
    std::string picture;
    for (const auto& tree : doc.Trees()) picture += tree->Tag() + ": " + Rows(*tree) + "; ";
    Check(both, "H1 and H2 Protected with rows for SYSA and SYSB (" + picture + ")");
    Check(doc.Trees().size() == 2, "two trees on SYSA");

    // The bitmaps from the X server, where the document put them.
    appstat::AppstatViewWidget& view = console.View();
    view.viewport()->repaint();
    panelaid::WaitForEvents([] { return false; }, 300);
    const QImage shot = view.screen()->grabWindow(view.viewport()->winId()).toImage();
    const QPoint scroll = view.ScrollPosition();
    bool pixels = !shot.isNull() && !doc.Trees().empty();
    for (const auto& tree : doc.Trees()) {
        const QPoint face(tree->Box().left + 18 - scroll.x(), tree->Box().top + 24 - scroll.y());
        pixels = pixels && shot.pixelColor(face) == BitmapCentre(tree->Bitmap());
        for (const auto& e : tree->Entries()) {
            const QPoint disc(e->Left() + 24 - scroll.x(), e->Top() + 24 - scroll.y());
            pixels = pixels && shot.pixelColor(disc) == BitmapCentre(e->Bitmap());
        }
    }
    Check(pixels, "the bitmaps on the screen at the computed boxes");

    std::ofstream(handshake / "ready") << "ready\n";
    Check(panelaid::WaitForEvents([&] { return std::filesystem::exists(handshake / "removed"); }, 180000),
          "H2 taken out of service on SYSB");
    const bool down = panelaid::WaitForEvents(
        [&] { return Shows(doc, "H2a", TreeState::Down, SystemState::Standby, SystemState::Standby); }, 90000);
    const appstat::CAPPSTATRootResource* h2 = TreeOf(doc, "H2a");
    Check(down, "H2's row for SYSB Standby and the tree Down at a later refresh (" + (h2 ? Rows(*h2) : "none") + ")");
    Check(Shows(doc, "H1a", TreeState::Protected, SystemState::Active, SystemState::Standby), "H1 stays Protected");
    Check(boxes.Shown().empty(), "no message box");
    std::printf("%d failed\n", gFailures);
    return gFailures == 0 ? 0 : 1;
}
