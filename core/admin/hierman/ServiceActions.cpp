#include "ServiceActions.h"

#include "ScriptWords.h"

#include <algorithm>
#include <memory>

namespace hierman {

namespace {

// Takes the resources related to tag (its descendants, or its ancestors)
// out of both lists: a failed parent keeps its children in service, a
// failed child keeps its parents out.
void DropRelated(ActionContext& c, const std::string& system, const std::string& tag, bool descendants,
                 std::vector<std::string>* first, std::vector<std::string>* second) {
    ActionStatus status(c, (descendants ? "Fixing list for failed parent " : "Fixing list for failed child ") + tag);
    panelaid::Records records;
    if (c.services.db.DependencyList(system.c_str(), tag.c_str(),
                                     descendants ? panelaid::Relation::Descendants : panelaid::Relation::Ancestors,
                                     &records)) {
        for (const std::string& record : records) {
            const std::string related = RecordField(record, descendants ? 2 : 1);
            RemoveTag(first, related);
            if (second != nullptr) RemoveTag(second, related);
        }
    }
    c.services.db.ClearError();
}

std::string Nolock(bool on) { return on ? " nolock" : ""; }

// One per-resource script: not retried.
bool RunOnce(ActionContext& c, panelaid::ScriptRunner& sh, const std::string& script, const std::string& args) {
    const bool ok = sh.Execute(script, args) == 0;
    c.services.db.ClearError();
    return ok;
}

void Progress(ActionContext& c, panelaid::ScriptRunner& sh, const std::string& text) {
    sh.ProgressText(text.c_str(), c.services.bar);
}

}  // namespace

bool ServiceActions::StillDefined(const std::string& system) {
    panelaid::Records names;
    const bool listed = c_.services.db.SystemList(c_.System().c_str(), &names);
    c_.services.db.ClearError();
    return listed && std::find(names.begin(), names.end(), system) != names.end();
}

bool ServiceActions::DropIfFailed(const std::string& tag, const ServicePlanner::State& before) {
    if (!planner_.Failed()) return false;
    c_.Say(tag + " is left out: the configuration database could not be read while planning");
    planner_.Restore(before);
    planner_.ClearFailure();
    return true;
}

void ServiceActions::InService() {
    if (!c_.Allowed(kGuardAll)) return;
    TransferJob job;
    panelaid::Records names;
    c_.services.db.SystemList(c_.System().c_str(), &names);
    c_.services.db.ClearError();
    job.names = names;
    job.pairs.resize(job.names.size());
    ActionStatus status(c_, "Bringing selected resource(s) in service...");
    planner_.BeginRun();
    c_.ForEachSelectedRoot([&](const std::string& tag) {
        planner_.MarkRestore(tag);
        c_.Deselect(c_.view.FindRoot(tag));
        const ServicePlanner::State before = planner_.Save();
        if (planner_.ConfirmInService(tag) != 1) return;
        planner_.PlanRestore(tag, 0);
        if (DropIfFailed(tag, before)) return;
        const auto at = std::find(job.names.begin(), job.names.end(), planner_.Other());
        if (at == job.names.end() || !StillDefined(planner_.Other())) {
            // The holder is not in the system list, or left it while the
            // administrator was asked (or the list could not be read).
            c_.Say(planner_.Other() + " is not a defined system");
            planner_.Restore(before);
            return;
        }
        std::optional<TransferJob::Pair>& pair = job.pairs[static_cast<std::size_t>(at - job.names.begin())];
        if (!pair) pair.emplace();
        job.removeTotal += static_cast<int>(planner_.Removal().size());
        job.restoreTotal += static_cast<int>(planner_.RestoreList().size());
        AppendTags(&pair->removal, planner_.Removal());
        AppendTags(&pair->restore, planner_.RestoreList());
        planner_.ClearLists();
        job.other = planner_.Other();
    });
    planner_.BeginRun();
    if (job.removeTotal + job.restoreTotal > 0) {
        job.system = c_.System();
        job.pid = c_.host.ProcessId();
        ActionContext& c = c_;
        c_.runner.Run([&c, job] { return TransferWorker(c, job); });
    }
    c_.host.RefreshAllViews();
}

void ServiceActions::OutOfService() {
    if (!c_.Allowed(kGuardAll)) return;
    ActionStatus status(c_, "Bringing selected resource(s) out of service...");
    planner_.BeginRun();
    c_.ForEachSelectedRoot([&](const std::string& tag) {
        planner_.MarkRemove(tag);
        c_.Deselect(c_.view.FindRoot(tag));
        const ServicePlanner::State before = planner_.Save();
        if (planner_.ConfirmOutOfService(tag) != 1) return;
        planner_.PlanRemove(tag, false, 0);
        DropIfFailed(tag, before);
    });
    const std::vector<std::string> removal = planner_.Removal();
    const std::string other = planner_.Other();
    planner_.BeginRun();
    if (!removal.empty()) {
        const std::string system = c_.System();
        const std::string pid = c_.host.ProcessId();
        ActionContext& c = c_;
        c_.runner.Run([&c, system, other, removal, pid] { return OutOfServiceWorker(c, system, other, removal, pid); });
    }
    c_.host.RefreshAllViews();
}

int ServiceActions::TransferWorker(ActionContext& c, const TransferJob& job) {
    std::unique_ptr<panelaid::ScriptRunner> sh = c.host.NewScriptRunner();
    // The names as script words; the texts shown keep them as they are.
    const std::string S = panelaid::ScriptWord(job.system);
    std::string O = panelaid::ScriptWord(job.other);
    const bool transfer = job.removeTotal > 0 && job.restoreTotal > 0;
    if (transfer) {
        Progress(c, *sh, "Executing PreTransfer scripts on " + job.system);
        c.RunAdvised(*sh, "/admin/bin/Transfer", S + " " + O + " .PreTransfer " + job.pid, __LINE__);
    }
    // Every holder's pair, in the order of the system list.
    for (std::size_t k = 0; k < job.pairs.size() && k < job.names.size(); ++k) {
        if (!job.pairs[k]) continue;
        O = panelaid::ScriptWord(job.names[k]);
        std::vector<std::string> removal = job.pairs[k]->removal;
        std::vector<std::string> restore = job.pairs[k]->restore;
        const bool removes = !removal.empty();
        const bool restores = !restore.empty();
        if (removes) {
            Progress(c, *sh, "Executing PreRemove scripts on " + job.names[k]);
            c.RunAdvised(*sh, "/admin/bin/Remove", O + " " + S + " .PreRemove " + job.pid + Nolock(restores), __LINE__);
        }
        bool removeFailed = false;
        while (!removal.empty() && !removeFailed) {
            const std::string t = removal.front();
            removal.erase(removal.begin());
            Progress(c, *sh, "Removing " + t + " from service on " + job.names[k]);
            if (!RunOnce(c, *sh, "/admin/bin/Remove", O + " " + S + " " + panelaid::ScriptWord(t) + " " + job.pid)) {
                removeFailed = true;
                RemoveTag(&restore, t);
                DropRelated(c, job.names[k], t, true, &removal, &restore);
            }
        }
        if (removes) {
            Progress(c, *sh, "Executing PostRemove scripts on " + job.names[k]);
            c.RunAdvised(*sh, "/admin/bin/Remove", O + " " + S + " .PostRemove " + job.pid + Nolock(restores), __LINE__);
        }
        if (restore.empty() || removeFailed) continue;
        Progress(c, *sh, "Executing PreRestore scripts on " + job.system);
        c.RunAdvised(*sh, "/admin/bin/Restore", S + " " + O + " .PreRestore " + job.pid + Nolock(removes), __LINE__);
        while (!restore.empty()) {
            const std::string t = restore.front();
            restore.erase(restore.begin());
            Progress(c, *sh, "Bringing " + t + " into service on " + job.system);
            if (!RunOnce(c, *sh, "/admin/bin/Restore", S + " " + O + " " + panelaid::ScriptWord(t) + " " + job.pid))
                DropRelated(c, job.system, t, false, &restore, &removal);
        }
        Progress(c, *sh, "Executing PostRestore scripts on " + job.system);
        c.RunAdvised(*sh, "/admin/bin/Restore", S + " " + O + " .PostRestore " + job.pid + Nolock(removes), __LINE__);
    }
    if (transfer) {
        Progress(c, *sh, "Executing PostTransfer scripts on " + job.system);
        c.RunAdvised(*sh, "/admin/bin/Transfer", S + " " + O + " .PostTransfer " + job.pid, __LINE__);
    }
    return 0;
}

int ServiceActions::OutOfServiceWorker(ActionContext& c, const std::string& system, const std::string& other,
                                       std::vector<std::string> removal, const std::string& pid) {
    std::unique_ptr<panelaid::ScriptRunner> sh = c.host.NewScriptRunner();
    if (removal.empty()) return 0;
    const std::string words = panelaid::ScriptWord(system) + " " + panelaid::ScriptWord(other) + " ";
    Progress(c, *sh, "Executing PreRemove scripts on " + system);
    c.RunAdvised(*sh, "/admin/bin/Remove", words + ".PreRemove " + pid, __LINE__);
    while (!removal.empty()) {
        const std::string t = removal.front();
        removal.erase(removal.begin());
        Progress(c, *sh, "Removing " + t + " from service on " + system);
        if (!RunOnce(c, *sh, "/admin/bin/Remove", words + panelaid::ScriptWord(t) + " " + pid))
            DropRelated(c, system, t, true, &removal, nullptr);
    }
    Progress(c, *sh, "Executing PostRemove scripts on " + system);
    c.RunAdvised(*sh, "/admin/bin/Remove", words + ".PostRemove " + pid, __LINE__);
    return 0;
}

}  // namespace hierman
