// The library's one set of parts behind the plain exports: the real database,
// message boxes, settings store, service control and launcher, and the logic
// built on them. A test may put its own parts in before it calls an export.
#pragma once

#include "Advisor.h"
#include "ConsoleDatabase.h"
#include "HierarchyQueries.h"
#include "Launcher.h"
#include "MessageBoxes.h"
#include "ServiceControl.h"
#include "ServiceTest.h"
#include "SettingsStore.h"
#include "StatusStack.h"
#include "WaitPump.h"
#include "WindowSettings.h"

#include <memory>

namespace panelaid {

struct LibraryParts {
    ConsoleDatabase* db = nullptr;
    MessageBoxes* boxes = nullptr;
    SettingsStore* settings = nullptr;
    ServiceControl* service = nullptr;
    Launcher* launcher = nullptr;
    WaitPump* pump = nullptr;  // how the GUI thread waits for a child
};

class PanelaidLibrary {
public:
    static PanelaidLibrary& Get();

    // Replaces the parts (null members keep the real ones) and rebuilds the
    // logic on them. Not while another thread uses the library.
    void UseParts(const LibraryParts& parts);

    ConsoleDatabase& Db() { return *parts_.db; }
    MessageBoxes& Boxes() { return *parts_.boxes; }
    Launcher& Launch() { return *parts_.launcher; }
    WaitPump& Pump() { return *parts_.pump; }
    Advisor& Advice() { return *advisor_; }
    HierarchyQueries& Hierarchy() { return *hierarchy_; }
    ServiceTest& Service() { return *serviceTest_; }
    StatusStack& Status() { return *status_; }
    WindowSettings& Windows() { return *windows_; }

private:
    PanelaidLibrary();
    void Build();

    LibraryParts real_;
    LibraryParts parts_;
    std::unique_ptr<ConsoleDatabase> realDb_;
    std::unique_ptr<MessageBoxes> realBoxes_;
    std::unique_ptr<SettingsStore> realSettings_;
    std::unique_ptr<ServiceControl> realService_;
    std::unique_ptr<Launcher> realLauncher_;
    std::unique_ptr<WaitPump> realPump_;
    std::unique_ptr<Advisor> advisor_;
    std::unique_ptr<HierarchyQueries> hierarchy_;
    std::unique_ptr<ServiceTest> serviceTest_;
    std::unique_ptr<StatusStack> status_;
    std::unique_ptr<WindowSettings> windows_;
};

}  // namespace panelaid
