#include "CHWMANDoc.h"

#include <algorithm>

namespace hwman {

namespace {

// A system record's name: its first field, read in place.
std::string_view NameOf(const std::string& record) {
    return std::string_view(record).substr(0, record.find(panelaid::kRecordSeparator));
}

// Whether the record's name is this one, without looking for the separator.
// Names are a few letters: a plain loop costs less than a call to memcmp.
inline bool NameIs(const std::string& record, const std::string& name) {
    const std::size_t n = name.size();
    if (record.size() < n || (record.size() > n && record[n] != panelaid::kRecordSeparator)) return false;
    const char* r = record.data();
    const char* m = name.data();
    for (std::size_t i = 0; i < n; ++i)
        if (r[i] != m[i]) return false;
    return true;
}

}  // namespace

CHWMANDoc::CHWMANDoc(FigureServices services, panelaid::WindowSettings& windows, DocumentHost& host)
    : services_(std::move(services)), windows_(windows), host_(host) {}

CHWMANDoc::~CHWMANDoc() = default;

const std::string& CHWMANDoc::IdleText() const {
    // Built once: every refresh hands one of them to the status bar.
    static const std::string ready(kReady);
    static const std::string initializing(kInitializing);
    return services_.db.Initializing() ? initializing : ready;
}

void CHWMANDoc::OnNewDocument() {
    width_ = 1200;
    height_ = 900;
    zoom_ = 80;
    int stored = zoom_;
    // Only the three zooms the keys give are taken from the settings.
    if (windows_.RetrieveZoom(kConsoleTitle, &stored) == 1 && (stored == 40 || stored == 60 || stored == 80))
        zoom_ = stored;
}

void CHWMANDoc::Reload() {
    host_.SetTitle(services_.db.LocalName());
    Load();
    host_.UpdateAllViews(kHintSystems);
}

void CHWMANDoc::Closing() { windows_.SaveZoom(kConsoleTitle, zoom_); }

CHWMANSystem* CHWMANDoc::Find(std::string_view name) const {
    std::size_t hint = 0;
    return Find(name, &hint);
}

CHWMANSystem* CHWMANDoc::Find(std::string_view name, std::size_t* hint) const {
    // The list comes in the figures' order, so the place after the last
    // match is tried first.
    if (*hint < systems_.size() && systems_[*hint]->Name() == name) return systems_[(*hint)++].get();
    for (std::size_t i = 0; i < systems_.size(); ++i)
        if (systems_[i]->Name() == name) {
            *hint = i + 1;
            return systems_[i].get();
        }
    return nullptr;
}

CHWMANSystem* CHWMANDoc::Append(std::unique_ptr<CHWMANSystem> figure) {
    matchedList_ = false;
    systems_.push_back(std::move(figure));
    return systems_.back().get();
}

void CHWMANDoc::Remove(CHWMANSystem* figure) {
    matchedList_ = false;
    if (CHWMANSystem* local = Local(); local != nullptr && local != figure) local->Forget(figure);
    std::erase_if(systems_, [figure](const std::unique_ptr<CHWMANSystem>& f) { return f.get() == figure; });
}

void CHWMANDoc::Load() {
    matchedList_ = false;
    systems_.clear();
    panelaid::Records records;
    if (!services_.db.SystemList(nullptr, &records)) {
        services_.Say("There appears to be a problem with your Holdervane systems list.  Please stop then restart "
                      "Holdervane.");
        return;
    }
    // The local system first, whatever its place in the list; then the
    // others in the list's order.
    const std::string local = services_.db.LocalName();
    if (!local.empty()) systems_.push_back(std::make_unique<CHWMANSystem>(local, services_));
    for (const std::string& record : records) {
        const std::string_view name = NameOf(record);
        if (name != local && !name.empty() && Find(name) == nullptr)
            systems_.push_back(std::make_unique<CHWMANSystem>(std::string(name), services_));
    }
    if (systems_.empty()) {
        services_.Say("Internal error in the Hardware Status and Administration process.  This process will now "
                      "abort - please retry.");
        host_.Abort(1);
        return;
    }
    CHWMANSystem* l = Local();
    l->state = SystemState::Alive;
    for (std::size_t i = 1; i < systems_.size(); ++i) {
        l->AddConnected(systems_[i].get());
        l->LoadPaths(systems_[i].get(), services_);
    }
    Layout();
}

bool CHWMANDoc::ListNamesTheFigures(const panelaid::Records& records) {
    bool same = true;
    for (auto& f : systems_) f->seen = false;
    std::size_t hint = 0;
    for (const std::string& record : records) {
        // Mostly the next figure in order is the one named.
        if (hint < systems_.size() && NameIs(record, systems_[hint]->Name())) {
            systems_[hint++]->seen = true;
            continue;
        }
        if (CHWMANSystem* f = Find(NameOf(record), &hint)) f->seen = true;
        else same = false;
    }
    // The local figure stands for the local system even when the list does
    // not name it.
    if (CHWMANSystem* l = Local()) l->seen = true;
    for (auto& f : systems_) {
        if (!f->seen) same = false;
        f->seen = true;
    }
    return same;
}

bool CHWMANDoc::ReadStamp(CHWMANSystem& figure) {
    panelaid::ConsoleDatabase& db = services_.db;
    const panelaid::DbStamp now = db.Stamp(figure.Name().c_str());
    // A failed read returns the zero stamp and leaves an error: cleared at
    // once, so the next read starts with none pending.
    if (now == panelaid::DbStamp{} && db.ErrorNumber() != 0) db.ClearError();
    if (now == figure.stamp) return false;
    figure.stamp = now;
    return true;
}

bool CHWMANDoc::ChangeTest() {
    panelaid::ConsoleDatabase& db = services_.db;
    bool changed = false;
    // Each stamp is read with no error pending.
    if (db.ErrorNumber() != 0) db.ClearError();
    // The systems list lives in the local database, so the list cannot differ
    // from the one last found naming the figures while the local stamp stands
    // where it stood then. The local stamp is read before the list: a list is
    // never older than the stamp read before it.
    CHWMANSystem* local = Local();
    if (local != nullptr && ReadStamp(*local)) changed = true;
    const bool sameList = local != nullptr && matchedList_ && !(local->stamp == panelaid::DbStamp{}) &&
                          local->stamp == matchedAt_;
    panelaid::Records& records = records_;  // keeps its capacity
    if (db.SystemList(nullptr, &records)) {
        if (!sameList) {
            matchedList_ = ListNamesTheFigures(records);
            if (!matchedList_) changed = true;
            if (local != nullptr) matchedAt_ = local->stamp;
        }
    } else {
        matchedList_ = false;
        if (!systems_.empty()) changed = true;
        if (db.ErrorNumber() != 0) db.ClearError();
    }
    for (std::size_t i = 1; i < systems_.size(); ++i)
        if (ReadStamp(*systems_[i])) changed = true;
    services_.Paint(IdleText());
    return changed;
}

void CHWMANDoc::UpdateSystemSet() {
    panelaid::Records& records = records_;  // keeps its capacity
    std::vector<CHWMANSystem*> added;
    if (services_.db.SystemList(nullptr, &records)) {
        if (systems_.empty()) {
            // The picture was emptied: the local figure comes first again.
            const std::string local = services_.db.LocalName();
            if (!local.empty()) {
                Append(std::make_unique<CHWMANSystem>(local, services_))->state = SystemState::Alive;
                hint_ = kHintSystems;
            }
        }
        for (auto& f : systems_) f->seen = false;
        std::size_t hint = 0;
        for (const std::string& record : records) {
            CHWMANSystem* f = nullptr;
            if (hint < systems_.size() && NameIs(record, systems_[hint]->Name())) f = systems_[hint++].get();
            const std::string_view name = f != nullptr ? std::string_view(f->Name()) : NameOf(record);
            if (name.empty()) continue;
            if (f != nullptr || (f = Find(name, &hint)) != nullptr) {
                f->seen = true;
                const SystemState before = f->state;
                f->ApplyStateLetter(services_.db.SystemState(nullptr, f->Name().c_str()));
                if (f->state != before) f->redraw = true;
                continue;
            }
            added.push_back(Append(std::make_unique<CHWMANSystem>(std::string(name), services_)));
        }
        if (CHWMANSystem* l = Local()) l->seen = true;
    } else {
        // Only "no systems" empties the picture; a failed call changes nothing.
        const bool none = services_.db.ErrorNumber() == 7;
        services_.db.ClearError();
        if (none && !systems_.empty()) {
            matchedList_ = false;
            systems_.clear();
            hint_ = kHintSystems;
        }
        return;
    }
    CHWMANSystem* local = Local();
    std::vector<CHWMANSystem*> gone;
    for (std::size_t i = 1; i < systems_.size(); ++i)
        if (!systems_[i]->seen) gone.push_back(systems_[i].get());
    for (CHWMANSystem* f : gone) {
        hint_ = kHintSystems;
        local->PollPaths(f, services_);
        Remove(f);
    }
    // Only the new systems' paths are read: the others' are in the figure
    // already and the path poll brings them up to date.
    if (!added.empty() && local != nullptr) {
        for (CHWMANSystem* f : added) {
            local->AddConnected(f);
            local->LoadPaths(f, services_);
        }
        hint_ = kHintSystems;
    }
}

void CHWMANDoc::PollAllPaths() {
    CHWMANSystem* local = Local();
    for (std::size_t i = 1; i < systems_.size(); ++i) {
        const int r = local->PollPaths(systems_[i].get(), services_) ? 1 : 0;
        if (r != 0 && hint_ <= 0) hint_ = r;
    }
}

void CHWMANDoc::Refresh() {
    if (!ChangeTest()) return;
    host_.BeginWait();
    services_.Paint("Updating window from current Holdervane status.");
    hint_ = 0;
    services_.db.ClearError();
    UpdateSystemSet();
    if (!systems_.empty()) {
        PollAllPaths();
        UpdateSystemSet();
        Layout();
    }
    host_.EndWait();
    services_.Paint(IdleText());
    host_.UpdateAllViews(hint_);
}

void CHWMANDoc::Layout() {
    CHWMANSystem* local = Local();
    if (local == nullptr) return;
    const int a = zoom_;
    if (systems_.size() > 2) {
        local->rect = {2 * a, -a, 6 * a, -4 * a};
        const int left = a * 50 / 100 + 7 * a;
        const int right = a * 50 / 100 + 9 * a;
        int top = 4 * a + a * 150 / 100;
        int bottom = top;
        for (std::size_t i = 1; i < systems_.size(); ++i) {
            CHWMANSystem* f = systems_[i].get();
            const int n = local->CountPathsTo(f);
            const int height = 3 * a + (n >= 4 ? (n - 3) * a : 0);
            bottom = top + height;
            f->rect = {left, -top, right, -bottom};
            top = bottom + a;
        }
        local->PlaceLines();
        UpdateExtents(right, bottom);
        return;
    }
    const int c = a * 175 / 100;
    const int paths = static_cast<int>(local->Paths().size());
    const int h = paths > 5 ? 3 * a + 40 * paths - 200 : 3 * a;
    const int localRight = 6 * a - a * 5 / 2;
    const int otherLeft = 6 * a + a * 5 / 2;
    local->rect = {localRight - c, -a, localRight, -(a + h)};
    if (systems_.size() == 2) systems_[1]->rect = {otherLeft, -a, otherLeft + c, -(a + h)};
    local->PlaceLines();
    UpdateExtents(otherLeft + c, a + h);
    if (paths > 5) extentsChanged_ = true;
}

void CHWMANDoc::UpdateExtents(int right, int bottom) {
    extentsChanged_ = false;
    if (width_ < right) {
        width_ = right * 11 / 10;
        extentsChanged_ = true;
    }
    const int wanted = bottom * 11 / 10;
    if (height_ < bottom) {
        height_ = wanted;
        extentsChanged_ = true;
    } else if (wanted < height_) {
        const int shrunk = std::max(wanted, kMinHeight);
        if (shrunk != height_) {
            height_ = shrunk;
            extentsChanged_ = true;
        }
    }
}

int CHWMANDoc::ZoomKey(int key) {
    if (key == kKeyAdd) {
        if (zoom_ == 80) return 0;
        zoom_ += 20;
        return 1;
    }
    if (key == kKeySubtract) {
        if (zoom_ == 40) return 0;
        zoom_ -= 20;
        return 1;
    }
    if (CHWMANSystem* local = Local()) local->Key(key, services_);
    return 0;
}

void CHWMANDoc::AfterDelete() {
    CHWMANSystem* local = Local();
    if (local == nullptr) return;
    for (std::size_t i = 1; i < systems_.size(); ++i) systems_[i]->seen = false;
    for (CHWMANSystem* c : local->Connected()) c->seen = true;
    std::vector<CHWMANSystem*> gone;
    for (std::size_t i = 1; i < systems_.size(); ++i) {
        CHWMANSystem* f = systems_[i].get();
        if (!f->seen) {
            gone.push_back(f);
            continue;
        }
        const SystemState now = local->HasAlivePathTo(f) ? SystemState::Alive : SystemState::Dead;
        if (now != f->state) f->redraw = true;
        f->state = now;
    }
    for (CHWMANSystem* f : gone) Remove(f);
}

int CHWMANDoc::CreatePath(const std::string& destination, const NewPath& path, bool* systemCreated,
                          LRect* repaint) {
    *systemCreated = false;
    *repaint = {};
    CHWMANSystem* local = Local();
    if (local == nullptr) return 0;
    CHWMANSystem* d = Find(destination);
    if (d == nullptr && services_.db.SystemCreate(nullptr, destination.c_str()) == 0) {
        if (services_.db.SystemSetState(nullptr, destination.c_str(), 'D') == 0) {
            d = Append(std::make_unique<CHWMANSystem>(destination, services_));
            d->state = SystemState::Dead;
            services_.Paint("Created " + destination + " system.");
            *systemCreated = true;
        }
    }
    services_.db.ClearError();
    // No figure means the destination could not be defined: no path either.
    const int rc = d != nullptr ? local->CreatePath(d, path, services_, repaint) : 0;
    if (rc == 0) {
        services_.db.ClearError();
        services_.Paint("Cannot Create Comm Path.\nTerminating Application");
    }
    Layout();
    return rc;
}

int CHWMANDoc::DeleteSelectedPath(LRect* repaint) {
    *repaint = {};
    CHWMANSystem* local = Local();
    CHWMANNetwork* path = SelectedPath();
    if (local == nullptr || path == nullptr) return -1;
    const int rc = local->DeletePath(path, services_, repaint);
    if (rc == 1) {
        AfterDelete();
        Layout();
    } else if (rc == 0) {
        services_.db.ClearError();
        services_.Paint("Error Removing Comm Path");
        services_.Beep();
    }
    return rc;
}

void CHWMANDoc::ShutdownStrategy() {
    panelaid::Records flags;
    bool present = false;
    if (services_.db.FlagList(nullptr, &flags))
        present = std::find(flags.begin(), flags.end(), kShutdownFlag) != flags.end();
    services_.db.ClearError();
    int choice = present ? 1 : 0;
    if (!host_.AskShutdownStrategy(choice, &choice)) return;
    int rc = 0;
    if (choice == 1 && !present)
        rc = services_.db.FlagCreate(nullptr, kShutdownFlag);
    else if (choice == 0 && present)
        rc = services_.db.FlagRemove(nullptr, kShutdownFlag);
    else
        return;
    if (rc != 0) {
        services_.db.ClearError();
        services_.Beep();
        return;
    }
    services_.db.Sync(nullptr);
}

}  // namespace hwman
