#include "HiermanConsole.h"

#include "QtProgressBox.h"
#include "ServiceStartStop.h"

namespace hierman {

HiermanConsole::HiermanConsole(panelaid::PanelaidLibrary& lib)
    : lib_(lib), runner_([&lib] { return lib.Db().RootDir(); }, lib.Pump()) {
    panelaid::ConsoleDatabase& db = lib.Db();
    const ViewServices services{db, lib.Advice(), lib.Status(), nullptr, lib.Windows(), lib.Boxes()};
    auto startStop = [this](bool start) {
        panelaid::ServiceStartStop control(lib_.Db(), lib_.Boxes(), lib_.Pump());
        panelaid::QtProgressBox box(window_.get());
        return control.Run(start, box);
    };
    auto serviceUp = [&lib] { return lib.Service().Test(); };
    const FrameServices frame{lib.Boxes(), serviceUp, startStop, [&db] { return db.Initializing(); }};
    window_ = std::make_unique<HiermanMainWindow>(services, frame, serviceUp, runner_);
    window_->Frame().UseLauncher(&lib.Launch(), [&db] { return db.RootDir(); });
}

HiermanConsole::~HiermanConsole() = default;

bool HiermanConsole::Start() {
    window_->resize(900, 700);
    window_->RestoreSettings();
    window_->show();
    if (!window_->Frame().CheckServiceAtStart()) return false;
    window_->ArmWatchTimer(kWatchIntervalMs);
    window_->OpenSystem(lib_.Db().LocalName());
    return true;
}

}  // namespace hierman
