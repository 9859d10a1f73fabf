// One system in the application status console: inside a tree, the row with
// the state of the tree's resource on that system; in the document, the
// record of that system's database stamp.
#pragma once

#include "ConsoleDatabase.h"
#include "Rect.h"

#include <string>

namespace appstat {

enum class SystemState { Active = 0, Standby = 1, Down = 2, Unknown = 3 };

inline constexpr int kBitmapActive = 157;
inline constexpr int kBitmapUnknownSystem = 162;
inline constexpr int kBitmapDownSystem = 163;
inline constexpr int kBitmapStandby = 164;
inline constexpr int kSystemBitmapSize = 48;

class CAPPSTATSystem {
public:
    // A stamp record: the name and the database stamp read now.
    CAPPSTATSystem(panelaid::ConsoleDatabase& db, std::string name);
    // A tree's row: the state of tag on that system, worked out now.
    CAPPSTATSystem(panelaid::ConsoleDatabase& db, std::string name, const std::string& tag);

    // Reads the state again at a refresh; a reading that says nothing new
    // (an alive system without the record, a state word of no meaning)
    // keeps the last state.
    void UpdateState(const std::string& tag);

    const std::string& Name() const { return name_; }
    SystemState State() const { return state_; }
    bool NeedsRepaint() const { return repaint_; }
    void ClearRepaint() { repaint_ = false; }
    bool Seen() const { return seen_; }
    void SetSeen(bool seen) { seen_ = seen; }
    const panelaid::DbStamp& Stamp() const { return stamp_; }
    void SetStamp(const panelaid::DbStamp& stamp) { stamp_ = stamp; }

    // Where the state bitmap goes, set by the tree's layout.
    void SetPosition(int left, int top) {
        left_ = left;
        top_ = top;
    }
    int Left() const { return left_; }
    int Top() const { return top_; }

    // The drawing measures the hit word (HitWord) in the name's font and
    // hands its size here; the hit rectangle follows.
    void PlaceHit(int zoom, int wordWidth, int wordHeight);
    const Rect& Hit() const { return hit_; }

    int Bitmap() const { return BitmapOf(state_); }
    static int BitmapOf(SystemState state);
    // The word measured for the hit rectangle: the state's word, the name
    // when the state is unknown.
    std::string HitWord() const;
    static int NameFontHeight(int zoom) { return 13 - (100 - zoom) / 10; }
    // Where the name's text starts below the bitmap.
    static int NameOffset(int zoom) { return zoom * 42 / 100; }

private:
    void Store(SystemState state);

    panelaid::ConsoleDatabase& db_;
    std::string name_;
    SystemState state_ = SystemState::Unknown;
    bool repaint_ = false;
    bool seen_ = true;
    panelaid::DbStamp stamp_;
    int left_ = 0;
    int top_ = 0;
    Rect hit_;
};

}  // namespace appstat
