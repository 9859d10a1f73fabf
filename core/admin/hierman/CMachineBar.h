// The machine bar's logic: one button per system of the cluster, laid out in
// lines by the parent's width, with the system's state as its icon. A single
// click (once the double-click time passed) switches the active view to the
// system; a double click opens another view for it. The widget draws the
// matrix and forwards mouse, keys and its click timer here.
#pragma once

#include "CMatrix.h"
#include "ConsoleDatabase.h"
#include "MessageBoxes.h"

#include <functional>
#include <string>

namespace hierman {

inline constexpr int kBarGroupWidth = 4;
inline constexpr int kBarFocusIcon = 146;
inline constexpr int kBarControlId = 144;

// What the bar asks of the frame and of its own window.
class MachineBarHost {
public:
    virtual ~MachineBarHost() = default;
    virtual void RepaintBar() = 0;
    virtual void StartClickTimer() = 0;  // fires once, after the double-click time
    virtual void StopClickTimer() = 0;
    // Shows system in the active view, when there is one.
    virtual void ShowInActiveView(const std::string& system) = 0;
    virtual void OpenSystem(const std::string& system) = 0;
    virtual void FocusActiveView() = 0;
};

class CMachineBar {
public:
    // serviceUp answers the service test (nonzero: the service runs).
    CMachineBar(panelaid::ConsoleDatabase& db, panelaid::MessageBoxes& boxes, std::function<int()> serviceUp,
                MachineBarHost& host);

    void Create();

    struct Size {
        int width = 0;
        int height = 0;
    };
    // The bar's size for a parent client area; may rebuild the buttons.
    Size Layout(int parentWidth, int parentHeight);
    // Brings the buttons in line with the database.
    void Update();

    void ButtonDown(CellPos at);
    void ClickTimerFired();
    void DoubleClick();
    enum class Key { Tab, Enter, Space, Left, Up, Right, Down };
    void KeyDown(Key key);
    void SetFocusMark(bool on);

    const CMatrix& Buttons() const { return matrix_; }
    // The icon a button shows: 145 while it is the pending button.
    int ButtonIcon(const CMatrixCell* cell) const;
    const std::string& PendingSystem() const { return pending_; }
    CellPos Focus() const { return focus_; }
    bool FocusMarked() const { return focusMark_; }
    int IconSize() const { return 32; }
    int HelpHitTest(CellPos at) const;

private:
    class Matrix : public CMatrix {
    public:
        explicit Matrix(panelaid::ConsoleDatabase& db) : db_(db) {}

    protected:
        bool FindFreeBlock(int* column, int* row) override { return FindFirstFreeBlock(column, row); }
        int ChooseIcon(const std::string& tag, bool expanded) override;

    private:
        panelaid::ConsoleDatabase& db_;
    };

    int SystemCount();
    void Rebuild(int lines, int columns);
    void Fill();
    void CancelPending();
    // Switches to or opens the pending system, unless it does not respond.
    void ActOnPending(const char* notResponding, void (MachineBarHost::*act)(const std::string&));
    bool NotResponding(const std::string& system, const char* message);

    panelaid::ConsoleDatabase& db_;
    panelaid::MessageBoxes& boxes_;
    std::function<int()> serviceUp_;
    MachineBarHost& host_;
    Matrix matrix_;
    // By name: a button removed by Update leaves nothing dangling.
    std::string pending_;
    CellPos focus_;
    bool focusMark_ = false;
};

}  // namespace hierman
