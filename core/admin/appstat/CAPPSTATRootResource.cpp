#include "CAPPSTATRootResource.h"

#include "InstanceReads.h"

namespace appstat {

CAPPSTATRootResource::CAPPSTATRootResource(panelaid::ConsoleDatabase& db, std::string tag)
    : db_(db), tag_(std::move(tag)), local_(db_.LocalName()) {
    entries_.push_back(std::make_unique<CAPPSTATSystem>(db_, local_, tag_));
    if (std::optional<std::string> backup = FindBackup(tag_))
        entries_.push_back(std::make_unique<CAPPSTATSystem>(db_, *backup, tag_));
}

std::optional<std::string> CAPPSTATRootResource::FindBackup(const std::string& tag) {
    Memo done;
    std::set<std::string> open;
    return Search(tag, &done, &open);
}

// A tag met again below itself (a loop) answers nothing; a tag met again
// elsewhere (two parents) answers what it answered the first time, so a
// sound table gives the answer of a full walk.
std::optional<std::string> CAPPSTATRootResource::Search(const std::string& tag, Memo* done,
                                                        std::set<std::string>* open) {
    if (auto it = done->find(tag); it != done->end()) return it->second;
    // The open tags are the path from the top down to here.
    if (open->size() >= kMaxSearchDepth) return std::nullopt;
    if (!open->insert(tag).second) return std::nullopt;
    std::optional<std::string> found;
    panelaid::Records children;
    if (db_.DependencyList(nullptr, tag.c_str(), panelaid::Relation::Children, &children)) {
        std::size_t read = 0;
        for (const std::string& record : children) {
            if (++read > kMaxRecords) break;
            const std::vector<std::string> f = panelaid::SplitRecord(record);
            if (f.size() < 2 || f[1].empty()) continue;
            if (std::optional<std::string> below = Search(f[1], done, open)) found = below;
        }
    }
    if (!found) found = SharedBackup(tag);
    open->erase(tag);
    done->emplace(tag, found);
    return found;
}

std::optional<std::string> CAPPSTATRootResource::SharedBackup(const std::string& tag) {
    panelaid::Records shared;
    if (!db_.EquivalencyList(local_.c_str(), nullptr, tag.c_str(), 'S', &shared)) return std::nullopt;
    std::size_t read = 0;
    for (const std::string& record : shared) {
        if (++read > kMaxRecords) break;
        const std::vector<std::string> f = panelaid::SplitRecord(record);
        if (f.size() < 4) continue;
        // Primary system, primary tag, secondary system, secondary tag: the
        // other side of the pair that names this system; the secondary side
        // is tested last and wins.
        std::optional<std::string> answer;
        if (f[1] == tag && f[0] == local_) answer = f[2];
        if (f[3] == tag && f[2] == local_) answer = f[0];
        return answer;
    }
    return std::nullopt;
}

void CAPPSTATRootResource::SetState(const std::string& ownState) {
    const std::optional<std::string> other = ReadInstanceState(db_, entries_.back()->Name(), tag_);
    if (!other) {
        if (ownState == "ISP")
            Store(TreeState::Unprotected);
        else if (ownState == "OSF" || ownState == "OSU")
            Store(TreeState::Unknown);
        else
            Store(TreeState::Illegal);
        return;
    }
    // Rows: own state; columns: the other system's state.
    static constexpr const char* kColumns[] = {"ISP", "OSU", "OSF", "ISU"};
    static constexpr TreeState P = TreeState::Protected, U = TreeState::Unprotected, D = TreeState::Down,
                               I = TreeState::Illegal;
    static constexpr TreeState kTable[3][5] = {
        {I, P, U, U, I},  // ISP
        {P, D, D, D, D},  // OSU
        {U, D, I, U, I},  // OSF
    };
    int row = ownState == "ISP" ? 0 : ownState == "OSU" ? 1 : ownState == "OSF" ? 2 : -1;
    if (row < 0) {
        Store(TreeState::Illegal);
        return;
    }
    int column = 4;
    for (int c = 0; c < 4; ++c)
        if (*other == kColumns[c]) column = c;
    Store(kTable[row][column]);
}

void CAPPSTATRootResource::Store(TreeState state) {
    repaint_ = state != state_;
    state_ = state;
}

void CAPPSTATRootResource::RefreshEntries(bool* changed) {
    entries_.front()->UpdateState(tag_);
    for (std::size_t i = 1; i < entries_.size(); ++i) entries_[i]->SetSeen(false);
    if (std::optional<std::string> backup = FindBackup(tag_)) {
        bool known = false;
        for (std::size_t i = 1; i < entries_.size() && !known; ++i) {
            if (entries_[i]->Name() != *backup) continue;
            entries_[i]->SetSeen(true);
            entries_[i]->UpdateState(tag_);
            known = true;
        }
        if (!known) {
            entries_.push_back(std::make_unique<CAPPSTATSystem>(db_, *backup, tag_));
            *changed = true;
        }
    }
    // A row that went leaves its place on the screen: that is a change of
    // the picture as much as a new row is.
    const std::size_t before = entries_.size();
    const CAPPSTATSystem* local = entries_.front().get();
    std::erase_if(entries_, [local](const auto& e) { return e.get() != local && !e->Seen(); });
    if (entries_.size() != before) *changed = true;
    LayoutEntries(zoom_);
}

int CAPPSTATRootResource::BitmapOf(TreeState state) {
    switch (state) {
    case TreeState::Protected: return kBitmapProtected;
    case TreeState::Unprotected: return kBitmapUnprotected;
    case TreeState::Down: return kBitmapDownTree;
    default: return kBitmapIllegal;
    }
}

void CAPPSTATRootResource::SetSelected(bool on, panelaid::StatusDisplay& painter) {
    painter.ShowText(on ? tag_ + " - this application has been selected." : std::string("Ready"));
    selected_ = on;
}

void CAPPSTATRootResource::SetFocusMark(bool on, panelaid::StatusDisplay& painter) {
    std::string text = "Ready";
    if (on)
        text = selected_ ? "Press TAB to unselect the application." : "Press TAB to select the application.";
    painter.ShowText(text);
    focus_ = on;
}

void CAPPSTATRootResource::Place(int left, int top, int width, int height, int zoom) {
    box_ = Rect{left, top, left + width, top + height};
    fifth_ = height / 5;
    zoom_ = zoom;
    LayoutEntries(zoom);
}

void CAPPSTATRootResource::LayoutEntries(int zoom) {
    const int left = box_.left + box_.Width() / 4 + 7;
    int top = box_.bottom + box_.Height() / 3;
    for (const auto& entry : entries_) {
        entry->SetPosition(left, top);
        top += zoom * 48 / 100 + fifth_ + 10;
    }
}

Rect CAPPSTATRootResource::ExpansionArea() const {
    const Rect& last = entries_.back()->Hit();
    return Rect{box_.left, box_.bottom, std::max(box_.left, last.right), std::max(box_.bottom, last.bottom)};
}

}  // namespace appstat
