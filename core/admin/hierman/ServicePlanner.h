// Plans, with the administrator, which resources an In Service or Out of
// Service command moves and in which order: the restore list bottom-up
// (children before their parents), the removal list top-down. Hierarchies
// that share resources are asked about. Each tag is walked once per run;
// the roots already asked about are remembered by tag, so a root without a
// cell in the view (an older picture, a full grid) is simply not selected.
// A failed database read marks the plan as failed; the caller drops that
// hierarchy's part. The states of a system's instances are read once per
// run (the picture the administrator plans on).
#pragma once

#include "ActionContext.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace hierman {

class ServicePlanner {
public:
    explicit ServicePlanner(ActionContext& c) : c_(c) {}

    // Forgets everything of the last run.
    void BeginRun();

    // 1 when the administrator goes on with bringing tag into service here
    // (the removal plan on its holder made); 0 to skip it, the plan as it was.
    int ConfirmInService(const std::string& tag);
    int ConfirmOutOfService(const std::string& tag);
    void PlanRestore(const std::string& tag, int depth);
    void PlanRemove(const std::string& tag, bool remote, int depth);

    // Marks a root as asked about for restoring (1) or removing (2).
    void MarkRestore(const std::string& root) { state_.markedRestore.insert(root); }
    void MarkRemove(const std::string& root) { state_.markedRemove.insert(root); }

    // The whole planning state, for putting a refused hierarchy's part back.
    struct State {
        std::vector<std::string> removal, restore;
        std::set<std::string> markedRestore, markedRemove;
        std::set<std::string> restoreDone, restoreWalking;
        std::set<std::string> removeDone[2], removeWalking[2];
    };
    State Save() const { return state_; }
    void Restore(State saved) { state_ = std::move(saved); }

    const std::vector<std::string>& Removal() const { return state_.removal; }
    const std::vector<std::string>& RestoreList() const { return state_.restore; }
    void ClearLists() {
        state_.removal.clear();
        state_.restore.clear();
    }
    // The backup or holder found last.
    const std::string& Other() const { return other_; }
    bool Failed() const { return failed_; }
    void ClearFailure() { failed_ = false; }

private:
    // Reads that note a failure (anything but "nothing found").
    bool InServiceOn(const std::string& system, const std::string& tag);
    std::vector<std::string> Children(const std::string& tag);
    std::vector<std::string> Roots(const std::string& tag);
    // Clears the selection of a root's cell, found again by its tag (a
    // dialog may have let the view be refreshed).
    void DeselectRoot(const std::string& root);
    bool RootSelected(const std::string& root);
    // The roots above tag that the restore walk asks about.
    void RestoreRoots(const std::string& tag);
    // False after the administrator refused to take a dependent root out.
    bool RemoveRoots(const std::string& tag, bool remote, int depth);

    ActionContext& c_;
    State state_;
    std::string other_;
    bool failed_ = false;
    // The tags in service per system, read once per run.
    std::map<std::string, std::set<std::string>> states_;
};

}  // namespace hierman
