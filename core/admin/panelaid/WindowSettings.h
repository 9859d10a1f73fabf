// The consoles' window placements and zoom factors, kept per program under
// the settings key chosen from a window title. The logic works on plain
// numbers; the Qt side reads and sets the widgets.
#pragma once

#include "MessageBoxes.h"
#include "SettingsStore.h"

#include <string>

namespace panelaid {

// A window's placement: show 1 maximized, -1 minimized, else 0.
struct WindowPlacement {
    int show = 0;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

class WindowSettings {
public:
    WindowSettings(SettingsStore& store, MessageBoxes& boxes) : store_(store), boxes_(boxes) {}

    // "APPSTAT", "HWMAN" or "HIERMAN" by the console title the text holds,
    // tested in that order; "" when it holds none.
    static std::string ProgramOf(const std::string& title);

    // Saves the frame's placement as "Window" (with the two extras), or a
    // child window's under the child's title (without extras). 1 when written.
    int Save(const std::string& frameTitle, const std::string* windowTitle, const WindowPlacement& placement,
             int extra1, int extra2);
    // Reads them back. 1 when a value was found; each field that is missing
    // or not a number leaves its output as it was. The extras belong to
    // "Window" only: a child window's value leaves them untouched.
    int Retrieve(const std::string& frameTitle, const std::string* windowTitle, WindowPlacement* placement,
                 int* extra1, int* extra2);

    int SaveZoom(const std::string& title, int zoom);
    // 1 with the zoom; else 0 and the zoom untouched.
    int RetrieveZoom(const std::string& title, int* zoom);

    // A normal window's stored area that can be given back to a window: a
    // size of 1 to kMaxPlacementSide and a corner within
    // +-kMaxPlacementOffset. Anything else (a damaged or hand-made value)
    // is not used: the window takes its default place.
    static bool UsableArea(const WindowPlacement& p);
    static constexpr int kMaxPlacementSide = 16384;
    static constexpr int kMaxPlacementOffset = 32767;

    // The value's text: "show,left,top,width,height[,extra1,extra2]".
    static std::string FormatPlacement(const WindowPlacement& p, const int* extra1, const int* extra2);

private:
    // True (after the box) when the program's key could not be opened.
    bool KeyFailed(SettingsResult r);

    SettingsStore& store_;
    MessageBoxes& boxes_;
};

}  // namespace panelaid
