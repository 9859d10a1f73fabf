// The console's shared parts on panelaid's fakes, for the view, the main
// window and their benchmarks.
#pragma once

#include "CHiermanView.h"
#include "FakeConsoleDatabase.h"
#include "FakeMessageBoxes.h"
#include "FakeSettingsStore.h"
#include "FakeStatusDisplay.h"

#include <string>

namespace hierman {

struct FakeConsoleParts {
    ViewServices Services() { return ViewServices{db, advisor, status, &bar, settings, boxes}; }

    panelaid::FakeConsoleDatabase db{"SYSA"};
    panelaid::FakeMessageBoxes boxes;
    panelaid::FakeStatusDisplay bar;
    panelaid::FakeSettingsStore store;
    panelaid::Advisor advisor{db, boxes};
    panelaid::StatusStack status{[] { return std::string("Ready"); }};
    panelaid::WindowSettings settings{store, boxes};
};

}  // namespace hierman
