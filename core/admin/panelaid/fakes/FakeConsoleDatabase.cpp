#include "FakeConsoleDatabase.h"

#include <algorithm>
#include <deque>

namespace panelaid {

namespace {

struct ThreadError {
    int number = 0;
    bool hasText = false;
    std::string text;
};
thread_local ThreadError tError;

std::string Join(const std::vector<std::string>& fields) {
    std::string r;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) r += kRecordSeparator;
        r += fields[i];
    }
    return r;
}

bool Matches(const char* filter, const std::string& value) { return filter == nullptr || value == filter; }

}  // namespace

FakeConsoleDatabase::FakeConsoleDatabase(std::string localName, std::string root)
    : localName_(std::move(localName)), root_(std::move(root)) {}

void FakeConsoleDatabase::SetThreadError(int errorNumber, const std::string& text) {
    tError.number = errorNumber;
    if (!text.empty()) {
        if (tError.hasText) tError.text += "\n";
        tError.text += text;
        tError.hasText = true;
    }
}

int FakeConsoleDatabase::ErrorNumber() { return tError.number; }

bool FakeConsoleDatabase::ErrorText(std::string* text) {
    if (!tError.hasText) return false;
    *text = tError.text;
    return true;
}

void FakeConsoleDatabase::ClearError() { tError = ThreadError{}; }

FakeConsoleDatabase::Tables& FakeConsoleDatabase::DbLocked(const std::string& machine) {
    return dbs_[machine.empty() ? localName_ : machine];
}

FakeConsoleDatabase::Tables& FakeConsoleDatabase::Db(const char* machine) {
    return DbLocked(machine != nullptr ? machine : "");
}

void FakeConsoleDatabase::Changed(Tables& t) { ++t.stamp.counter; }

void FakeConsoleDatabase::FailNext(Op op, int errorNumber, const std::string& text, int times) {
    std::lock_guard<std::mutex> lock(mutex_);
    failures_[op] = {errorNumber, text, times};
}

int FakeConsoleDatabase::Calls(Op op) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = calls_.find(op);
    return it == calls_.end() ? 0 : it->second;
}

bool FakeConsoleDatabase::Failing(Op op) {
    ++calls_[op];
    auto it = failures_.find(op);
    if (it == failures_.end() || it->second.times <= 0) return false;
    --it->second.times;
    SetThreadError(it->second.errorNumber, it->second.text);
    return true;
}

bool FakeConsoleDatabase::Nothing(const char* what) {
    SetThreadError(7, std::string(what) + ": nothing found");
    return false;
}

void FakeConsoleDatabase::AddSystem(const std::string& machine, const std::string& name, char state) {
    std::lock_guard<std::mutex> lock(mutex_);
    Tables& t = DbLocked(machine);
    if (t.systems.emplace(name, state).second) t.systemOrder.push_back(name);
    t.systems[name] = state;
    Changed(t);
}

void FakeConsoleDatabase::AddInstance(const std::string& machine, const Instance& instance) {
    std::lock_guard<std::mutex> lock(mutex_);
    Tables& t = DbLocked(machine);
    t.instances.push_back(instance);
    Changed(t);
}

void FakeConsoleDatabase::RemoveInstance(const std::string& machine, const std::string& tag) {
    std::lock_guard<std::mutex> lock(mutex_);
    Tables& t = DbLocked(machine);
    std::erase_if(t.instances, [&](const Instance& i) { return i.tag == tag; });
    std::erase_if(t.dependencies, [&](const auto& d) { return d.first == tag || d.second == tag; });
    Changed(t);
}

void FakeConsoleDatabase::SetInstanceState(const std::string& machine, const std::string& tag,
                                           const std::string& state) {
    std::lock_guard<std::mutex> lock(mutex_);
    Tables& t = DbLocked(machine);
    for (Instance& i : t.instances)
        if (i.tag == tag) i.state = state;
    Changed(t);
}

void FakeConsoleDatabase::AddDependency(const std::string& machine, const std::string& parent,
                                        const std::string& child) {
    std::lock_guard<std::mutex> lock(mutex_);
    Tables& t = DbLocked(machine);
    t.dependencies.emplace_back(parent, child);
    Changed(t);
}

void FakeConsoleDatabase::AddEquivalency(const std::string& machine, const std::string& primarySystem,
                                         const std::string& primaryTag, const std::string& secondarySystem,
                                         const std::string& secondaryTag, char type) {
    std::lock_guard<std::mutex> lock(mutex_);
    Tables& t = DbLocked(machine);
    const char* name = type == 'S' ? "SHARED" : type == 'C' ? "COMMON" : type == 'c' ? "COMPOSITE" : "ILLEQV";
    t.equivalencies.push_back({primarySystem, primaryTag, secondarySystem, secondaryTag, name});
    Changed(t);
}

void FakeConsoleDatabase::AddPath(const std::string& machine, const PathDefinition& path, const std::string& state) {
    std::lock_guard<std::mutex> lock(mutex_);
    Tables& t = DbLocked(machine);
    t.paths.push_back({path, state});
    Changed(t);
}

std::string FakeConsoleDatabase::InstanceRecord(const std::string& system, const Instance& i) {
    return Join({system, i.application, i.type, i.tag, i.id, i.info, i.state, "", "1", "", "0", "0", ""});
}

std::vector<std::string> FakeConsoleDatabase::Related(Tables& t, const std::string& tag, Relation which) {
    const bool down = which == Relation::Children || which == Relation::Descendants;
    const bool deep = which == Relation::Descendants || which == Relation::Ancestors;
    std::vector<std::string> out;
    std::deque<std::string> todo{tag};
    std::set<std::string> seen{tag};
    while (!todo.empty()) {
        const std::string at = todo.front();
        todo.pop_front();
        for (const auto& [parent, child] : t.dependencies) {
            if ((down ? parent : child) != at) continue;
            out.push_back(Join({parent, child}));
            const std::string& next = down ? child : parent;
            if (deep && seen.insert(next).second) todo.push_back(next);
        }
    }
    return out;
}

bool FakeConsoleDatabase::SystemList(const char* machine, Records* out) {
    std::lock_guard<std::mutex> lock(mutex_);
    out->clear();
    if (Failing(Op::SystemList)) return false;
    Tables& t = Db(machine);
    for (const std::string& name : t.systemOrder) out->push_back(name);
    return out->empty() ? Nothing("sys_list") : true;
}

bool FakeConsoleDatabase::InstanceList(const char* machine, const InstanceQuery& q, Records* out) {
    std::lock_guard<std::mutex> lock(mutex_);
    out->clear();
    if (Failing(Op::InstanceList)) return false;
    const std::string system = machine != nullptr ? machine : localName_;
    Tables& t = Db(machine);
    std::vector<std::string> order;
    if (q.start != nullptr && std::string(q.start) == " ") {
        for (const Instance& i : t.instances) {
            const bool hasParent = std::any_of(t.dependencies.begin(), t.dependencies.end(),
                                               [&](const auto& d) { return d.second == i.tag; });
            if (!hasParent) order.push_back(i.tag);
        }
    } else if (q.start != nullptr) {
        order.push_back(q.start);
        for (const std::string& r : Related(t, q.start, Relation::Descendants)) order.push_back(SplitRecord(r)[1]);
    } else {
        for (const Instance& i : t.instances) order.push_back(i.tag);
    }
    std::set<std::string> listed;
    for (const std::string& tag : order) {
        if (!listed.insert(tag).second) continue;
        for (const Instance& i : t.instances) {
            if (i.tag != tag) continue;
            if (Matches(q.application, i.application) && Matches(q.type, i.type) && Matches(q.tag, i.tag) &&
                Matches(q.id, i.id))
                out->push_back(InstanceRecord(system, i));
        }
    }
    return out->empty() ? Nothing("ins_list") : true;
}

bool FakeConsoleDatabase::DependencyList(const char* machine, const char* tag, Relation which, Records* out) {
    std::lock_guard<std::mutex> lock(mutex_);
    out->clear();
    if (Failing(Op::DependencyList)) return false;
    if (tag == nullptr) return Nothing("dep_list");
    *out = Related(Db(machine), tag, which);
    return out->empty() ? Nothing("dep_list") : true;
}

bool FakeConsoleDatabase::EquivalencyList(const char* machine, const char* systemFilter, const char* tagFilter,
                                          int type, Records* out) {
    std::lock_guard<std::mutex> lock(mutex_);
    out->clear();
    if (Failing(Op::EquivalencyList)) return false;
    const char* typeName = type == 'S' ? "SHARED" : type == 'C' ? "COMMON" : type == 'c' ? "COMPOSITE" : nullptr;
    for (const std::vector<std::string>& e : Db(machine).equivalencies) {
        if (typeName != nullptr && e[4] != typeName) continue;
        if (systemFilter != nullptr && e[0] != systemFilter && e[2] != systemFilter) continue;
        if (tagFilter != nullptr && e[1] != tagFilter && e[3] != tagFilter) continue;
        out->push_back(Join(e));
    }
    return out->empty() ? Nothing("eqv_list") : true;
}

bool FakeConsoleDatabase::NetworkList(const char* machine, const char* destination, Records* out) {
    std::lock_guard<std::mutex> lock(mutex_);
    out->clear();
    if (Failing(Op::NetworkList)) return false;
    for (const Path& p : Db(machine).paths) {
        if (!Matches(destination, p.def.system)) continue;
        const char* type = p.def.type == 'l' ? "TLI" : p.def.type == 'y' ? "TTY" : p.def.type == 's' ? "SCSI" : "FDP";
        out->push_back(Join({p.def.system, p.def.device, type, std::to_string(p.def.baud), "", "", p.state,
                             std::to_string(p.def.priority), std::to_string(p.def.heartbeatInterval),
                             std::to_string(p.def.maxMisses)}));
    }
    return out->empty() ? Nothing("net_list") : true;
}

bool FakeConsoleDatabase::FlagList(const char* machine, Records* out) {
    std::lock_guard<std::mutex> lock(mutex_);
    out->clear();
    if (Failing(Op::FlagList)) return false;
    for (const std::string& f : Db(machine).flags) out->push_back(f);
    return out->empty() ? Nothing("flg_list") : true;
}

int FakeConsoleDatabase::SystemState(const char* machine, const char* name) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (Failing(Op::SystemState)) return 'U';
    Tables& t = Db(machine);
    auto it = name != nullptr ? t.systems.find(name) : t.systems.end();
    return it == t.systems.end() ? 'U' : it->second;
}

int FakeConsoleDatabase::FlagTest(const char* machine, const char* flag) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (Failing(Op::FlagTest)) return -1;
    if (flag == nullptr || *flag == '\0') return -1;
    return Db(machine).flags.count(flag) != 0 ? 1 : 0;
}

int FakeConsoleDatabase::SystemCreate(const char* machine, const char* name) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (Failing(Op::SystemCreate)) return -1;
    Tables& t = Db(machine);
    if (name == nullptr || !t.systems.emplace(name, 'U').second) {
        SetThreadError(4, "sys_create: exists");
        return -1;
    }
    t.systemOrder.push_back(name);
    Changed(t);
    return 0;
}

int FakeConsoleDatabase::SystemSetState(const char* machine, const char* name, int state) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (Failing(Op::SystemSetState)) return -1;
    Tables& t = Db(machine);
    auto it = name != nullptr ? t.systems.find(name) : t.systems.end();
    if (it == t.systems.end() || (state != 'A' && state != 'D' && state != 'U')) {
        SetThreadError(7, "sys_setstate: not defined");
        return -1;
    }
    it->second = static_cast<char>(state);
    Changed(t);
    return 0;
}

int FakeConsoleDatabase::SystemRemove(const char* machine, const char* name) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (Failing(Op::SystemRemove)) return -1;
    Tables& t = Db(machine);
    if (name == nullptr || t.systems.erase(name) == 0) {
        SetThreadError(7, "sys_remove: not defined");
        return -1;
    }
    t.systemOrder.erase(std::remove(t.systemOrder.begin(), t.systemOrder.end(), name), t.systemOrder.end());
    Changed(t);
    return 0;
}

int FakeConsoleDatabase::DependencyCreate(const char* machine, const char* parent, const char* child) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (Failing(Op::DependencyCreate)) return -1;
    if (parent == nullptr || child == nullptr) {
        SetThreadError(5, "dep_create: arguments");
        return -1;
    }
    Tables& t = Db(machine);
    t.dependencies.emplace_back(parent, child);
    Changed(t);
    return 0;
}

int FakeConsoleDatabase::DependencyRemove(const char* machine, const char* parent, const char* child) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (Failing(Op::DependencyRemove)) return -1;
    Tables& t = Db(machine);
    const auto before = t.dependencies.size();
    std::erase_if(t.dependencies, [&](const auto& d) {
        return (parent == nullptr || d.first == parent) && (child == nullptr || d.second == child);
    });
    if (t.dependencies.size() == before) {
        SetThreadError(7, "dep_remove: no match");
        return -1;
    }
    Changed(t);
    return 0;
}

int FakeConsoleDatabase::NetworkCreate(const char* machine, const PathDefinition& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (Failing(Op::NetworkCreate)) return -1;
    if (path.system.empty() || path.device.empty()) {
        SetThreadError(5, "net_create: arguments");
        return -1;
    }
    Tables& t = Db(machine);
    t.paths.push_back({path, "DEAD"});
    Changed(t);
    return 0;
}

int FakeConsoleDatabase::NetworkRemove(const char* machine, const char* system, const char* device) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (Failing(Op::NetworkRemove)) return -1;
    Tables& t = Db(machine);
    const auto before = t.paths.size();
    std::erase_if(t.paths, [&](const Path& p) { return Matches(system, p.def.system) && Matches(device, p.def.device); });
    if (t.paths.size() == before) {
        SetThreadError(7, "net_remove: no path");
        return -1;
    }
    Changed(t);
    return 0;
}

int FakeConsoleDatabase::FlagCreate(const char* machine, const char* flag) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (Failing(Op::FlagCreate)) return -1;
    Tables& t = Db(machine);
    if (flag == nullptr || !t.flags.insert(flag).second) {
        SetThreadError(4, "flg_create: exists");
        return -1;
    }
    Changed(t);
    return 0;
}

int FakeConsoleDatabase::FlagRemove(const char* machine, const char* flag) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (Failing(Op::FlagRemove)) return -1;
    Tables& t = Db(machine);
    if (flag == nullptr || t.flags.erase(flag) == 0) {
        SetThreadError(7, "flg_remove: not defined");
        return -1;
    }
    Changed(t);
    return 0;
}

int FakeConsoleDatabase::ApplicationCreate(const char* machine, const char* application) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (Failing(Op::ApplicationCreate)) return -1;
    Tables& t = Db(machine);
    if (application == nullptr || *application == '\0') {
        SetThreadError(5, "app_create: arguments");
        return -1;
    }
    if (!t.applications.insert(application).second) {
        SetThreadError(4, "app_create: exists");
        return -1;
    }
    Changed(t);
    return 0;
}

int FakeConsoleDatabase::TypeCreate(const char* machine, const char* application, const char* type) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (Failing(Op::TypeCreate)) return -1;
    Tables& t = Db(machine);
    if (application == nullptr || type == nullptr || *application == '\0' || *type == '\0') {
        SetThreadError(5, "typ_create: arguments");
        return -1;
    }
    if (!t.types.emplace(application, type).second) {
        SetThreadError(4, "typ_create: exists");
        return -1;
    }
    Changed(t);
    return 0;
}

int FakeConsoleDatabase::Sync(const char* machine) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (Failing(Op::Sync)) return -1;
    Db(machine);
    return 0;
}

DbStamp FakeConsoleDatabase::Stamp(const char* machine) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (Failing(Op::Stamp)) return DbStamp{};
    return Db(machine).stamp;
}

}  // namespace panelaid
