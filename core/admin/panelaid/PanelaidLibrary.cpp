#include "PanelaidLibrary.h"

#include "DesktopLauncher.h"
#include "PipeServiceControl.h"
#include "QdbConsoleDatabase.h"
#include "QtMessageBoxes.h"
#include "QtWaitPump.h"
#include "RegistrySettingsStore.h"

namespace panelaid {

PanelaidLibrary& PanelaidLibrary::Get() {
    static PanelaidLibrary library;
    return library;
}

PanelaidLibrary::PanelaidLibrary()
    : realDb_(std::make_unique<QdbConsoleDatabase>()),
      realBoxes_(std::make_unique<QtMessageBoxes>()),
      realSettings_(std::make_unique<RegistrySettingsStore>()),
      realService_(std::make_unique<PipeServiceControl>()),
      realPump_(std::make_unique<QtWaitPump>()) {
    realLauncher_ = std::make_unique<DesktopLauncher>(*realDb_);
    real_ = {realDb_.get(), realBoxes_.get(), realSettings_.get(), realService_.get(), realLauncher_.get(),
             realPump_.get()};
    parts_ = real_;
    Build();
}

void PanelaidLibrary::UseParts(const LibraryParts& parts) {
    parts_.db = parts.db != nullptr ? parts.db : real_.db;
    parts_.boxes = parts.boxes != nullptr ? parts.boxes : real_.boxes;
    parts_.settings = parts.settings != nullptr ? parts.settings : real_.settings;
    parts_.service = parts.service != nullptr ? parts.service : real_.service;
    parts_.launcher = parts.launcher != nullptr ? parts.launcher : real_.launcher;
    parts_.pump = parts.pump != nullptr ? parts.pump : real_.pump;
    Build();
}

void PanelaidLibrary::Build() {
    advisor_ = std::make_unique<Advisor>(*parts_.db, *parts_.boxes);
    hierarchy_ = std::make_unique<HierarchyQueries>(*parts_.db);
    serviceTest_ = std::make_unique<ServiceTest>(*parts_.service);
    ConsoleDatabase* db = parts_.db;
    status_ = std::make_unique<StatusStack>(
        [db] { return db->Initializing() ? std::string("Holdervane Initializing ...") : std::string("Ready"); });
    windows_ = std::make_unique<WindowSettings>(*parts_.settings, *parts_.boxes);
}

}  // namespace panelaid
