// One application tree: a box for one root resource of the local database,
// labelled with its tag, whose bitmap shows the application's protection
// state, and below it, when expanded, a row for the local system and one
// for the backup system that protects it.
#pragma once

#include "CAPPSTATSystem.h"
#include "StatusDisplay.h"

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace appstat {

enum class TreeState { Protected = 0, Unprotected = 1, Down = 2, Illegal = 3, Unknown = 4 };

inline constexpr int kBitmapProtected = 158;
inline constexpr int kBitmapDownTree = 159;
inline constexpr int kBitmapIllegal = 160;
inline constexpr int kBitmapUnprotected = 161;
inline constexpr int kTreeBitmapWidth = 72;
inline constexpr int kTreeBitmapHeight = 48;

class CAPPSTATRootResource {
public:
    CAPPSTATRootResource(panelaid::ConsoleDatabase& db, std::string tag);

    // The system that backs tag up, searched from the leaves up: every child
    // is searched and the last one found wins; without one, tag's own shared
    // equivalency. Each tag is searched once, so a dependency loop ends; the
    // search goes no more than kMaxSearchDepth tags down, so a damaged
    // database's endless chain cannot exhaust the stack.
    std::optional<std::string> FindBackup(const std::string& tag);
    static constexpr std::size_t kMaxSearchDepth = 1000;

    // Works out the protection state from tag's own state in the local
    // database and its record on the last entry's system.
    void SetState(const std::string& ownState);
    // Reads the entries again; *changed is set when one came or went.
    void RefreshEntries(bool* changed);

    const std::string& Tag() const { return tag_; }
    TreeState State() const { return state_; }
    int Bitmap() const { return BitmapOf(state_); }
    static int BitmapOf(TreeState state);
    const std::vector<std::unique_ptr<CAPPSTATSystem>>& Entries() const { return entries_; }

    bool Expanded() const { return expanded_; }
    void SetExpanded(bool on) { expanded_ = on; }
    bool Selected() const { return selected_; }
    // Selection and focus say what they mean in the status bar.
    void SetSelected(bool on, panelaid::StatusDisplay& painter);
    bool FocusMark() const { return focus_; }
    void SetFocusMark(bool on, panelaid::StatusDisplay& painter);
    bool NeedsRepaint() const { return repaint_; }
    void SetRepaint(bool on) { repaint_ = on; }
    bool Seen() const { return seen_; }
    void SetSeen(bool on) { seen_ = on; }

    int Column() const { return column_; }
    int Row() const { return row_; }
    void SetGrid(int column, int row) {
        column_ = column;
        row_ = row;
    }
    // Places the box and, below it, the entries for the zoom.
    void Place(int left, int top, int width, int height, int zoom);
    const Rect& Box() const { return box_; }
    // The box grown by 4: what clicks, keys and the focus frame repaint.
    Rect Hit() const { return box_.Grown(4); }
    // From the box's bottom-left corner to the last entry's hit rectangle's
    // bottom-right corner.
    Rect ExpansionArea() const;

    static int LabelFontHeight(int zoom) { return 16 - (100 - zoom) / 10; }
    // The connector's corner for an entry: down from the box to this point,
    // then across to the entry's left.
    int ConnectorX() const { return box_.left + box_.Width() / 4; }
    static int ConnectorY(const CAPPSTATSystem& entry, int zoom) { return entry.Top() + zoom * 48 / 200; }

private:
    using Memo = std::map<std::string, std::optional<std::string>>;
    std::optional<std::string> Search(const std::string& tag, Memo* done, std::set<std::string>* open);
    std::optional<std::string> SharedBackup(const std::string& tag);
    void LayoutEntries(int zoom);
    void Store(TreeState state);

    panelaid::ConsoleDatabase& db_;
    std::string tag_;
    std::string local_;
    std::vector<std::unique_ptr<CAPPSTATSystem>> entries_;
    TreeState state_ = TreeState::Protected;
    bool expanded_ = true;
    bool selected_ = false;
    bool focus_ = false;
    bool repaint_ = false;
    bool seen_ = true;
    int column_ = 0;
    int row_ = 0;
    Rect box_;
    int fifth_ = 0;
    int zoom_ = 100;
};

}  // namespace appstat
