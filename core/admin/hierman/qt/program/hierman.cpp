// hierman: the hierarchy administration console.
#include "HiermanMainWindow.h"
#include "PanelaidLibrary.h"
#include "ProcessScriptRunner.h"
#include "QtConsoleInstance.h"
#include "QtProgressBox.h"
#include "ServiceStartStop.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // One console per display: a second start brings the first forward.
    panelaid::QtConsoleInstance instance;
    if (instance.Claim("HIERMAN") == panelaid::ConsoleInstance::Claim::OtherRaised) return 0;
    panelaid::PanelaidLibrary& lib = panelaid::PanelaidLibrary::Get();
    panelaid::ConsoleDatabase& db = lib.Db();
    hierman::ViewServices services{db, lib.Advice(), lib.Status(), nullptr, lib.Windows(), lib.Boxes()};
    panelaid::ProcessScriptRunner runner([&db] { return db.RootDir(); }, lib.Pump());
    std::unique_ptr<hierman::HiermanMainWindow> window;
    auto startStop = [&](bool start) {
        panelaid::ServiceStartStop control(db, lib.Boxes(), lib.Pump());
        panelaid::QtProgressBox box(window.get());
        return control.Run(start, box);
    };
    hierman::FrameServices frame{lib.Boxes(), [&lib] { return lib.Service().Test(); }, startStop,
                                 [&db] { return db.Initializing(); }};
    window = std::make_unique<hierman::HiermanMainWindow>(services, frame, [&lib] { return lib.Service().Test(); },
                                                          runner);
    instance.SetWindow(window.get());
    window->Frame().UseLauncher(&lib.Launch(), [&db] { return db.RootDir(); });
    window->resize(900, 700);
    window->RestoreSettings();
    window->show();
    if (!window->Frame().CheckServiceAtStart()) return 0;
    window->ArmWatchTimer(hierman::kWatchIntervalMs);
    window->OpenSystem(db.LocalName());
    return app.exec();
}
