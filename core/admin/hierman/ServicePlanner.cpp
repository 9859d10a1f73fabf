#include "ServicePlanner.h"

#include <optional>

namespace hierman {

namespace {

// The database's "nothing found": an empty answer, not a failure.
constexpr int kNothingFound = 7;

}  // namespace

void ServicePlanner::BeginRun() {
    state_ = State{};
    states_.clear();
    other_.clear();
    failed_ = false;
}

bool ServicePlanner::InServiceOn(const std::string& system, const std::string& tag) {
    auto cached = states_.find(system);
    if (cached == states_.end()) {
        // One read of every instance's state per system and run.
        panelaid::Records records;
        panelaid::ConsoleDatabase& db = c_.services.db;
        if (!db.InstanceList(system.c_str(), panelaid::InstanceQuery{}, &records) && db.ErrorNumber() != 0 &&
            db.ErrorNumber() != kNothingFound) {
            failed_ = true;
            db.ClearError();
            return false;
        }
        db.ClearError();
        std::set<std::string> inService;
        for (const std::string& record : records) {
            const std::string state = RecordField(record, 7);
            if (state == "ISP" || state == "ISU") inService.insert(RecordField(record, 4));
        }
        cached = states_.emplace(system, std::move(inService)).first;
    }
    return cached->second.count(tag) != 0;
}

std::vector<std::string> ServicePlanner::Children(const std::string& tag) {
    panelaid::Records records;
    panelaid::ConsoleDatabase& db = c_.services.db;
    std::vector<std::string> children;
    if (db.DependencyList(c_.System().c_str(), tag.c_str(), panelaid::Relation::Children, &records)) {
        for (const std::string& record : records) children.push_back(RecordField(record, 2));
    } else if (db.ErrorNumber() != 0 && db.ErrorNumber() != kNothingFound) {
        failed_ = true;
    }
    db.ClearError();
    return children;
}

std::vector<std::string> ServicePlanner::Roots(const std::string& tag) {
    bool readFailed = false;
    std::vector<std::string> roots = c_.queries.RootList(c_.System().c_str(), tag.c_str(), &readFailed);
    // Every tag has at least itself as root: an empty list is a failed read.
    if (readFailed || roots.empty()) failed_ = true;
    return roots;
}

bool ServicePlanner::RootSelected(const std::string& root) {
    CMatrixCell* cell = c_.view.FindRoot(root);
    return cell != nullptr && cell->selected;
}

void ServicePlanner::DeselectRoot(const std::string& root) { c_.Deselect(c_.view.FindRoot(root)); }

int ServicePlanner::ConfirmInService(const std::string& tag) {
    std::string backup;
    const bool hasBackup = c_.Backup(tag, &backup);
    other_ = hasBackup ? backup : c_.System();
    const bool alive = c_.Alive(other_);
    // Only the removal plan on the holder changes the state before the
    // answer: kept to be put back on a refusal.
    std::optional<State> saved;
    const std::size_t removals = state_.removal.size();
    if (hasBackup && alive) {
        saved = state_;
        PlanRemove(tag, true, 0);
    }
    const bool transfer = state_.removal.size() > removals;
    const std::string text = transfer ? "Transfer Service from " + other_ : "In Service";
    bool go = c_.host.Confirm(text, tag);
    if (go && !hasBackup)
        go = c_.AskYes(tag + " has no Secondary!\nDo you want to continue?", panelaid::BoxIcon::Warning);
    if (go && !alive)
        go = c_.AskYes(tag + ": Backup is Out of Service!\nDo you want to continue?", panelaid::BoxIcon::Warning);
    if (!go && saved) state_ = std::move(*saved);
    return go ? 1 : 0;
}

int ServicePlanner::ConfirmOutOfService(const std::string& tag) {
    std::string backup;
    const bool hasBackup = c_.Backup(tag, &backup);
    other_ = hasBackup ? backup : c_.System();
    if (!c_.host.Confirm("Out Service", tag)) return 0;
    if (!hasBackup && !c_.AskYes(tag + " has no Secondary!\nDo you want to continue?", panelaid::BoxIcon::Warning))
        return 0;
    return 1;
}

void ServicePlanner::PlanRestore(const std::string& tag, int depth) {
    std::optional<ActionStatus> status;
    if (depth == 0) status.emplace(c_, "Determining the objects to restore to service with " + tag);
    if (state_.restoreDone.count(tag) != 0) return;
    // A tag met again while its own walk is still open (a root above it
    // that depends on it, or a loop in a damaged database) walks only the
    // children not open themselves and takes its place in the list.
    const bool again = !state_.restoreWalking.insert(tag).second;
    if (!again) RestoreRoots(tag);
    for (const std::string& child : Children(tag)) {
        if (again && state_.restoreWalking.count(child) != 0) continue;
        PlanRestore(child, depth + 1);
    }
    if (!InServiceOn(c_.System(), tag)) AddTag(&state_.restore, tag);
    if (!again) state_.restoreDone.insert(tag);
}

void ServicePlanner::RestoreRoots(const std::string& tag) {
    for (const std::string& root : Roots(tag)) {
        if (!state_.markedRestore.insert(root).second) continue;
        if (InServiceOn(c_.System(), root)) continue;
        if (RootSelected(root)) {
            DeselectRoot(root);
            if (ConfirmInService(root) == 1) PlanRestore(root, 0);
            DeselectRoot(root);
        } else if (c_.AskYes(root + " Depends on " + tag + "\nBring " + root + " in Service too?",
                             panelaid::BoxIcon::None)) {
            PlanRestore(root, 1);
        }
    }
}

void ServicePlanner::PlanRemove(const std::string& tag, bool remote, int depth) {
    std::optional<ActionStatus> status;
    if (depth == 0)
        status.emplace(c_, remote ? "Determining the state of " + tag + " on " + other_
                                  : "Determining which objects to remove from service with " + tag);
    const int mode = remote ? 1 : 0;
    if (state_.removeDone[mode].count(tag) != 0) return;
    const bool again = !state_.removeWalking[mode].insert(tag).second;
    if (!again && !RemoveRoots(tag, remote, depth)) {
        // Refused: the tag and everything below it stay in service.
        state_.removeDone[mode].insert(tag);
        return;
    }
    if (InServiceOn(remote ? other_ : c_.System(), tag)) AddTag(&state_.removal, tag);
    for (const std::string& child : Children(tag)) {
        if (again && state_.removeWalking[mode].count(child) != 0) continue;
        PlanRemove(child, remote, depth + 1);
    }
    if (!again) state_.removeDone[mode].insert(tag);
}

bool ServicePlanner::RemoveRoots(const std::string& tag, bool remote, int depth) {
    bool refused = false;
    for (const std::string& root : Roots(tag)) {
        if (refused) {
            state_.markedRemove.insert(root);
            continue;
        }
        if (!state_.markedRemove.insert(root).second) continue;
        if (remote) {
            if (InServiceOn(other_, root)) PlanRemove(root, true, 0);
            continue;
        }
        if (!InServiceOn(c_.System(), root)) continue;
        if (RootSelected(root)) {
            DeselectRoot(root);
            if (ConfirmOutOfService(root) == 1) PlanRemove(root, false, 0);
            DeselectRoot(root);
        } else if (c_.AskYes(root + " Depends on " + tag + "\nBring " + root + " Out of Service too?",
                             panelaid::BoxIcon::None)) {
            PlanRemove(root, false, depth + 1);
        } else {
            refused = true;
        }
    }
    return !refused;
}

}  // namespace hierman
