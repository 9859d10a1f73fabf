// What the hardware console's figures share: rectangles in logical units of
// 0.01 inch with y up (a top lies above its bottom, so top > bottom), the
// states of systems and paths, and the services the figures report through.
#pragma once

#include "ConsoleDatabase.h"
#include "MessageBoxes.h"
#include "StatusDisplay.h"

#include <functional>
#include <string>

namespace hwman {

inline constexpr const char* kConsoleTitle = "Holdervane: Hardware Administration";
inline constexpr const char* kReady = "Ready";
inline constexpr const char* kInitializing = "Holdervane is initializing.";

struct LRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool Empty() const { return left == right || top == bottom; }
    int Width() const { return right - left; }
    int Height() const { return top - bottom; }
    // Strictly inside: the border is outside.
    bool ContainsStrictly(int x, int y) const { return left < x && x < right && bottom < y && y < top; }
    LRect United(const LRect& o) const;
    bool operator==(const LRect&) const = default;
};

enum class SystemState { Alive, Dead, Unknown };

// A path's status as stored: 0 alive, 1 dead, 2 UNKNOWN.
enum PathStatus { kPathAlive = 0, kPathDead = 1, kPathUnknown = 2 };

// The status bar (pane text and the immediate painter are the same here),
// boxes, the database and the beep.
struct FigureServices {
    panelaid::ConsoleDatabase& db;
    panelaid::MessageBoxes& boxes;
    panelaid::StatusDisplay& status;
    std::function<void()> beep;

    void Paint(const std::string& text) const { status.ShowText(text); }
    void Beep() const {
        if (beep) beep();
    }
    void Say(const std::string& text, panelaid::BoxIcon icon = panelaid::BoxIcon::None) const;
    bool YesNo(const std::string& text) const;
};

// Measures a text in logical units for a font of the given logical height.
struct TextSize {
    int width = 0;
    int height = 0;
};
using TextMeasure = std::function<TextSize(const std::string& text, int fontHeight)>;

}  // namespace hwman
