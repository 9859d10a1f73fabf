// The hierarchy view's logic: the roots of one system's database as icon
// trees on a 32 x 32 matrix, kept in step with the database's time stamp,
// with selection, focus, keyboard moves, zoom and the drag of whole trees.
// Plain C++ over panelaid's interfaces; the widget draws and forwards.
#pragma once

#include "Advisor.h"
#include "CMatrix.h"
#include "ConsoleDatabase.h"
#include "MessageBoxes.h"
#include "StatusDisplay.h"
#include "StatusStack.h"
#include "ViewFont.h"
#include "ViewSurface.h"
#include "WindowSettings.h"

#include <cstdint>
#include <string>

namespace hierman {

inline constexpr const char* kConsoleTitle = "Holdervane: Hierarchy Administration";
inline constexpr int kGridRows = 32;
inline constexpr int kGridColumns = 32;
inline constexpr int kRootBlockHeight = 3;
inline constexpr int kViewGroupWidth = 8;

// Machine states as their machine-bar icons.
inline constexpr int kMachineAlive = 144;
inline constexpr int kMachineDead = 145;

// The console's shared parts a view works with.
struct ViewServices {
    panelaid::ConsoleDatabase& db;
    panelaid::Advisor& advisor;
    panelaid::StatusStack& status;
    panelaid::StatusDisplay* bar;
    panelaid::WindowSettings& settings;
    panelaid::MessageBoxes& boxes;
};

// Pixel size of the icons for a size index (0, 1, 2).
int IconSizeFor(int sizeIndex);

// The machine state of a system seen from the local database.
int MachineState(panelaid::ConsoleDatabase& db, const std::string& system);

// What a drop did.
enum class DropResult { Moved, Vanished, Refused, NoRoom };

class CHiermanView : public CMatrix {
public:
    CHiermanView(ViewServices services, ViewSurface& surface);

    // Populates (first time or on a new system) or brings the view up to the
    // database; with onlyIfChanged an unchanged stamp reads nothing more.
    void UpdateView(bool onlyIfChanged);
    // The document was given another title: the next update compares it
    // again, even one that is only to follow a changed stamp.
    void DocumentRetitled() { settled_ = false; }

    const std::string& SystemName() const { return system_; }
    CellPos Focus() const { return focus_; }
    int SizeIndex() const { return sizeIndex_; }
    int IconSize() const { return IconSizeFor(sizeIndex_); }

    // 130, 131 or 132 from the instance state of tag in the system's database.
    int InstanceStateIcon(const std::string& system, const std::string& tag);

    // Focus operations used around changes to the matrix.
    std::string RememberFocusTag() const;
    void RestoreFocus(const std::string& tag);
    void SetFocusCell();
    void SetFocusMark();
    void ClearFocusMark();
    void MoveFocusTo(CellPos at);

    // Mouse and keys, in cells.
    // True when the press starts the drag of a root.
    bool ButtonDown(CellPos at);
    // Cursor 1-4 by quarter (given by the widget), 5 where a drop cannot go.
    int DragCursor(CellPos over, bool inClient, int quarter) const;
    DropResult Drop(CellPos start, CellPos release, bool inClient);
    void DoubleClick(CellPos at);
    void KeyArrow(NavKey key);
    // +1 larger icons (numpad plus), -1 smaller (numpad minus).
    void Zoom(int larger);
    void Letter(char c);

    // The text font and colour (0xRRGGBB) of the current size.
    const ViewFont& Font() const { return fonts_[sizeIndex_]; }
    std::uint32_t TextColour() const { return textColours_[sizeIndex_]; }
    // Takes what the font and colour dialogs gave for the current size: a
    // weight below bold becomes normal. Repaints.
    void TakeFontChoice(ViewFont chosen, std::uint32_t colour);

    // Tree commands on the selected resource cells.
    enum class TreeCommand { Expand, ExpandTree, Collapse, CollapseTree };
    void RunTreeCommand(TreeCommand command);

    // The icon number the help system is given for a cell.
    int HelpHitTest(CellPos at);

protected:
    bool FindFreeBlock(int* column, int* row) override;
    int ChooseIcon(const std::string& tag, bool expanded) override;
    int CountChildren(const std::string& tag) override;
    void PlaceChildren(const std::string& tag, int count, int column, int row, bool selected) override;

private:
    // Repeats `step` while it fails and the administrator answers Retry.
    template <typename Step>
    bool Advised(const char* condition, int line, Step step);
    // Clears the thread's error, noting one that is more than "nothing found".
    void NoteReadFailure();
    void CheckNoPendingError();
    bool GetRoots();
    void Populate();
    void Refresh();
    void AddNewRoots();
    void RemoveVanishedRoots();
    void RecheckRoots();
    int CheckSubtree(int column, int row, int* changes, int* mismatches);
    int StateIcon(const std::string& system, const std::string& tag);
    bool HasInstances();
    void Repaint(CMatrixCell* cell);
    void ClearFocusMarksBut(const CMatrixCell* keep);

    ViewServices services_;
    ViewSurface& surface_;
    const std::string localName_;
    std::string system_;
    bool showsLocal_ = false;  // system_ is the local system
    CellPos focus_;
    int sizeIndex_ = 0;
    panelaid::DbStamp stamp_{};
    // The view shows its document's system, the local one, up to stamp_:
    // an only-if-changed update needs no more than the stamp read.
    bool settled_ = false;
    std::string dragTag_;
    bool readFailed_ = false;
    ViewFont fonts_[3] = {DefaultViewFont(0), DefaultViewFont(1), DefaultViewFont(2)};
    std::uint32_t textColours_[3] = {0, 0, 0};
};

}  // namespace hierman
