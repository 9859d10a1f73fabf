#include "CHWMANSystem.h"

#include "PathRecord.h"

#include <algorithm>

namespace hwman {

namespace {

// The database's error number for "nothing matched".
constexpr int kNoMatches = 7;

}  // namespace

CHWMANSystem::CHWMANSystem(std::string name, const FigureServices& s) : name_(std::move(name)) {
    ApplyStateLetter(s.db.SystemState(nullptr, name_.c_str()));
    stamp = s.db.Stamp(name_.c_str());
}

CHWMANSystem::~CHWMANSystem() = default;

void CHWMANSystem::ApplyStateLetter(int letter) {
    if (letter == 'A') state = SystemState::Alive;
    else if (letter == 'D' || letter == '0') state = SystemState::Dead;
    else if (letter == 'U') state = SystemState::Unknown;
}

void CHWMANSystem::AddConnected(CHWMANSystem* other) {
    if (other == nullptr || other == this || ConnectedNamed(other->Name()) != nullptr) return;
    connected_.push_back(other);
}

bool CHWMANSystem::IsConnected(const CHWMANSystem* other) const {
    return std::find(connected_.begin(), connected_.end(), other) != connected_.end();
}

CHWMANSystem* CHWMANSystem::ConnectedNamed(std::string_view name) const {
    for (CHWMANSystem* c : connected_)
        if (c->Name() == name) return c;
    return nullptr;
}

void CHWMANSystem::Forget(const CHWMANSystem* other) {
    std::erase_if(paths_, [other](const std::unique_ptr<CHWMANNetwork>& p) { return p->Destination() == other; });
    std::erase(connected_, other);
}

std::unique_ptr<CHWMANNetwork> CHWMANSystem::PathFrom(const PathRecord& r, CHWMANSystem* destination) {
    auto path = std::make_unique<CHWMANNetwork>(destination, r.type);
    path->device = std::string(r.device);
    path->baud = r.type == std::string_view(kSerialPort) ? r.baud : 0;
    path->priority = r.priority;
    path->interval = r.interval;
    path->misses = r.misses;
    path->status = r.status;
    return path;
}

std::unique_ptr<CHWMANNetwork> CHWMANSystem::PathFromRecord(const std::string& record) const {
    PathRecord r;
    if (!ParsePathRecord(record, &r)) return nullptr;
    CHWMANSystem* destination = ConnectedNamed(r.destination);
    return destination == nullptr ? nullptr : PathFrom(r, destination);
}

void CHWMANSystem::InsertPath(std::unique_ptr<CHWMANNetwork> path) {
    auto at = std::find_if(paths_.begin(), paths_.end(), [&](const std::unique_ptr<CHWMANNetwork>& p) {
        return p->Destination() == path->Destination() && p->priority < path->priority;
    });
    paths_.insert(at, std::move(path));
}

void CHWMANSystem::RemovePath(const CHWMANNetwork* path) {
    std::erase_if(paths_, [path](const std::unique_ptr<CHWMANNetwork>& p) { return p.get() == path; });
}

void CHWMANSystem::LoadPaths(CHWMANSystem* other, const FigureServices& s) {
    panelaid::Records records;
    if (!s.db.NetworkList(nullptr, other->Name().c_str(), &records)) {
        s.Paint("Error retrieveing system list");
        return;
    }
    for (const std::string& r : records)
        if (auto path = PathFromRecord(r)) {
            path->record = r;
            InsertPath(std::move(path));
        }
}

bool CHWMANSystem::InSystemList(const std::string& name, const FigureServices& s) const {
    panelaid::Records systems;
    if (!s.db.SystemList(nullptr, &systems)) return false;
    return std::find(systems.begin(), systems.end(), name) != systems.end();
}

bool CHWMANSystem::PollPaths(CHWMANSystem* other, const FigureServices& s) {
    panelaid::Records& records = records_;  // keeps its capacity
    if (!s.db.NetworkList(nullptr, other->Name().c_str(), &records)) {
        // Only "nothing matched" means the system has no paths left; a lock
        // or messaging failure says nothing about them.
        if (s.db.ErrorNumber() != kNoMatches) {
            s.db.ClearError();
            return false;
        }
        s.db.ClearError();
        if (!HasPathTo(other)) {
            s.Paint("No Change In Holdervane Status");
            return false;
        }
        std::erase_if(paths_, [other](const std::unique_ptr<CHWMANNetwork>& p) { return p->Destination() == other; });
        if (IsConnected(other)) {
            if (!InSystemList(other->Name(), s)) {
                std::erase(connected_, other);
            } else if (s.db.SystemRemove(nullptr, other->Name().c_str()) != 0) {
                s.Say("Error executing sys_remove().");
            } else {
                std::erase(connected_, other);
                s.db.Sync(nullptr);
            }
        }
        return true;
    }
    bool changed = false;
    AddConnected(other);
    for (auto& p : paths_)
        if (p->Destination() == other) p->seen = false;
    for (const std::string& record : records) {
        CHWMANNetwork* same = nullptr;
        for (auto& p : paths_)
            if (!p->seen && p->Destination() == other && p->record == record) {
                same = p.get();
                break;
            }
        if (same != nullptr) {
            same->seen = true;
            continue;
        }
        PathRecord r;
        if (!ParsePathRecord(record, &r) || r.destination != other->Name()) continue;
        const std::string_view type(r.type);
        CHWMANNetwork* match = nullptr;
        for (auto& p : paths_)
            if (!p->seen && p->Destination() == other && p->device == r.device && p->Type() == type) {
                match = p.get();
                break;
            }
        if (match == nullptr) {
            std::unique_ptr<CHWMANNetwork> fresh = PathFrom(r, other);
            fresh->seen = true;
            fresh->record = record;
            InsertPath(std::move(fresh));
            changed = true;
            continue;
        }
        match->seen = true;
        match->record = record;
        if (r.status == kPathDead && match->status != kPathDead) {
            match->status = kPathDead;
            match->redraw = true;
        } else if (r.status == kPathAlive && match->status != kPathAlive) {
            match->status = kPathAlive;
            match->redraw = true;
        }
    }
    const std::size_t before = paths_.size();
    std::erase_if(paths_, [other](const std::unique_ptr<CHWMANNetwork>& p) {
        return p->Destination() == other && !p->seen;
    });
    if (paths_.size() != before) changed = true;
    return changed;
}

bool CHWMANSystem::HasPathTo(const CHWMANSystem* other) const { return CountPathsTo(other) > 0; }

int CHWMANSystem::CountPathsTo(const CHWMANSystem* other) const {
    return static_cast<int>(std::count_if(paths_.begin(), paths_.end(), [other](const auto& p) {
        return p->Destination() == other;
    }));
}

bool CHWMANSystem::HasAlivePathTo(const CHWMANSystem* other) const {
    return std::any_of(paths_.begin(), paths_.end(), [other](const auto& p) {
        return p->Destination() == other && p->status == kPathAlive;
    });
}

CHWMANNetwork* CHWMANSystem::SelectedPath() const {
    for (const auto& p : paths_)
        if (p->selected) return p.get();
    return nullptr;
}

CHWMANNetwork* CHWMANSystem::FocusedPath() const {
    for (const auto& p : paths_)
        if (p->focused) return p.get();
    return nullptr;
}

void CHWMANSystem::PlaceLines() {
    // A bus left from an earlier placement must not be drawn again.
    busX = busTop = busBottom = 0;
    if (connected_.empty()) return;
    if (connected_.size() == 1) {
        const CHWMANSystem* d = connected_.front();
        const int n = CountPathsTo(d);
        int k = 0;
        for (auto& p : paths_) {
            if (p->Destination() != d) continue;
            ++k;
            const int y = rect.top - k * (rect.Height() / (n + 1));
            p->x1 = rect.right;
            p->x2 = d->rect.left;
            p->y1 = p->y2 = y;
            p->ComputeRectangles();
        }
    } else {
        busX = rect.left + 50;
        busTop = rect.bottom;
        busBottom = rect.bottom;
        for (const CHWMANSystem* d : connected_) {
            const int n = CountPathsTo(d);
            int k = 0;
            for (auto& p : paths_) {
                if (p->Destination() != d) continue;
                ++k;
                const int y = d->rect.top - k * (d->rect.Height() / (n + 1));
                p->x1 = busX;
                p->x2 = d->rect.left;
                p->y1 = p->y2 = y;
                p->ComputeRectangles();
                busBottom = std::min(busBottom, y);
            }
        }
    }
    if (!paths_.empty() && FocusedPath() == nullptr) {
        paths_.front()->focused = true;
        paths_.front()->redraw = true;
    }
}

void CHWMANSystem::ClickSelect(int x, int y, const FigureServices& s) {
    CHWMANNetwork* hit = nullptr;
    for (auto& p : paths_)
        if (p->HitTest(x, y)) {
            hit = p.get();
            break;
        }
    if (hit == nullptr) return;
    if (hit->status == kPathUnknown) {
        s.Beep();
        s.Paint("Cannot select a UNKNOWN comm path; Wait for status change");
        return;
    }
    if (hit->selected) {
        for (auto& p : paths_)
            if (p->focused) p->Focus(false, s);
        hit->Focus(true, s);
        hit->Select(false, s);
        return;
    }
    for (auto& p : paths_) {
        if (p->selected) p->Select(false, s);
        if (p->focused) p->Focus(false, s);
    }
    hit->Focus(true, s);
    hit->Select(true, s);
}

void CHWMANSystem::Key(int key, const FigureServices& s) {
    if (paths_.empty()) return;
    std::size_t at = paths_.size();
    for (std::size_t i = 0; i < paths_.size(); ++i)
        if (paths_[i]->focused) {
            at = i;
            break;
        }
    const bool none = at == paths_.size();
    switch (key) {
    case kKeySpace:
        if (none) {
            s.Paint("Focus a comm path with up/down arrow key and then use Space bar to select it.");
        } else if (paths_[at]->selected) {
            paths_[at]->Select(false, s);
        } else {
            for (auto& p : paths_)
                if (p->selected) p->Select(false, s);
            paths_[at]->Select(true, s);
        }
        break;
    case kKeyDown:
        if (none) {
            paths_.back()->Focus(true, s);
        } else if (at + 1 == paths_.size()) {
            s.Beep();
        } else {
            paths_[at]->Focus(false, s);
            paths_[at + 1]->Focus(true, s);
        }
        break;
    case kKeyUp:
        if (none) {
            paths_.front()->Focus(true, s);
        } else if (at == 0) {
            s.Beep();
        } else {
            paths_[at]->Focus(false, s);
            paths_[at - 1]->Focus(true, s);
        }
        break;
    default: break;
    }
}

int CHWMANSystem::CreatePath(CHWMANSystem* destination, const NewPath& np, const FigureServices& s, LRect* out) {
    *out = {};
    const bool existed = HasPathTo(destination);
    panelaid::PathDefinition def;
    def.system = destination->Name();
    def.device = np.device;
    def.type = np.type == kSerialPort ? 'y' : np.type == kSharedDisk ? 's' : 'l';
    def.baud = np.baud;
    def.priority = np.priority;
    def.heartbeatInterval = np.interval;
    def.maxMisses = np.misses;
    if (s.db.NetworkCreate(nullptr, def) != 0) {
        s.Paint(existed ? "Failed to create comm path." : "Failed to create comm Path from local system");
        return 0;
    }
    auto path = std::make_unique<CHWMANNetwork>(destination, np.type);
    path->device = np.type == kSocket ? std::string(PortOfDevice(np.device)) : np.device;
    path->status = kPathUnknown;
    path->redraw = true;
    path->seen = true;
    path->baud = np.baud;
    path->priority = np.priority;
    path->interval = np.interval;
    path->misses = np.misses;
    InsertPath(std::move(path));
    AddConnected(destination);
    s.db.Sync(nullptr);
    s.Paint("Created the " + np.type + " Comm Path to " + destination->Name() + " system.");
    if (existed) *out = {rect.right, rect.top, destination->rect.left, destination->rect.bottom};
    return 1;
}

int CHWMANSystem::DeletePath(CHWMANNetwork* path, const FigureServices& s, LRect* out) {
    *out = {};
    CHWMANSystem* d = path->Destination();
    const std::string type = path->Type();
    const std::string device = path->DatabaseDevice();
    if (!s.YesNo("Delete Communication Path:  " + type + " - " + device + "\nFrom System:  " + name_ +
                 "\nTo System:  " + d->Name() + "\n"))
        return -1;
    const bool first = std::find_if(paths_.begin(), paths_.end(), [d](const auto& p) {
                           return p->Destination() == d;
                       })->get() == path;
    if (first && !s.YesNo("Deleting Highest Priority Communication Path is not Recommended.\n\nAre you sure you "
                          "want to delete commpath?"))
        return -1;
    if (s.db.NetworkRemove(nullptr, d->Name().c_str(), device.c_str()) != 0) return 0;
    RemovePath(path);
    s.db.Sync(nullptr);
    s.Paint("Deleted " + type + " Comm path.");
    *out = {rect.right, rect.top, d->rect.left, d->rect.bottom};
    if (!HasPathTo(d)) {
        panelaid::Records eqv;
        if (s.db.EquivalencyList(nullptr, d->Name().c_str(), nullptr, 0, &eqv)) {
            s.Say("Cannot remove destination system because of existing equivalency.");
        } else if (s.db.ErrorNumber() != kNoMatches) {
            // The equivalencies could not be read: the system stays.
            s.db.ClearError();
        } else if (s.db.SystemRemove(nullptr, d->Name().c_str()) != 0) {
            s.Say("Failed to remove Disconnected destination system.");
        } else {
            std::erase(connected_, d);
            s.db.Sync(nullptr);
            s.Paint("Removed " + d->Name() + ".");
            *out = connected_.empty() ? out->United(d->rect) : LRect{};
        }
    } else if (!HasAlivePathTo(d)) {
        *out = out->United(d->rect);
    }
    return 1;
}

}  // namespace hwman
