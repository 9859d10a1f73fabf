#include "HierarchyActions.h"

#include "ScriptWords.h"

namespace hierman {

void HierarchyActions::CreateHierarchy(const std::string& kit) {
    if (!c_.Allowed(kGuardInitializing)) return;
    lastKit_ = kit;
    ActionStatus status(c_, "Servicing CreateHierarchy menu item");
    int column = 0, row = 0;
    if (!c_.view.FindNearestFreeBlock(&column, &row)) {
        c_.Say("Error! Not enough room to hold new hierarchy");
        return;
    }
    RecoveryKitControlBlock block;
    block.m_pid = c_.host.ProcessId();
    block.m_machine = c_.System();
    block.m_kit = kit;
    panelaid::Records names;
    if (c_.services.db.SystemList(c_.System().c_str(), &names)) {
        for (const std::string& name : names) {
            const int state = c_.services.db.SystemState(c_.System().c_str(), name.c_str());
            if (state == 'A') block.m_primarySystems.push_back(name);
        }
    }
    block.m_secondarySystems = block.m_primarySystems;
    c_.services.db.ClearError();
    // The block is the job's own; the view's cells are not touched meanwhile.
    ActionHost& host = c_.host;
    c_.runner.Run([&host, &block] {
        host.CreateHierarchy(&block);
        return 0;
    });
    if (block.m_status == kKitStatusDone) {
        c_.host.RefreshAllViews();
    } else if (block.m_status != kKitStatusCancelled) {
        c_.Say("Error! Unable to create hierarchy");
    }
}

void HierarchyActions::DeleteHierarchy() {
    if (!c_.Allowed(kGuardAll)) return;
    ActionStatus status(c_, "Deleting hierarchy...");
    std::vector<std::string> doomed;
    std::string backup;
    c_.ForEachSelectedRoot([&](const std::string& tag) {
        if (!c_.Backup(tag, &backup)) {
            backup = c_.System();
            if (!c_.IgnoreAnswered(tag + " has no Secondary")) return;
        }
        if (!c_.Alive(backup)) {
            c_.Say(tag + ": Backup is Out of Service");
            return;
        }
        if (!c_.host.Confirm("Delete Hierarchy", tag)) return;
        AddTag(&doomed, tag);
        c_.Deselect(c_.view.FindRoot(tag));
    });
    if (doomed.empty()) return;
    const std::string system = c_.System();
    const std::string pid = c_.host.ProcessId();
    ActionContext& c = c_;
    c_.runner.Run([&c, system, backup, doomed, pid] { return DeleteWorker(c, system, backup, doomed, pid); });
    c_.host.RefreshAllViews();
}

int HierarchyActions::DeleteWorker(ActionContext& c, const std::string& system, std::string backup,
                                   const std::vector<std::string>& tags, const std::string& pid) {
    std::unique_ptr<panelaid::ScriptRunner> sh = c.host.NewScriptRunner();
    const std::string script = "/admin/bin/Delete";
    sh->ProgressText(("Executing PreDelete scripts on " + system).c_str(), c.services.bar);
    using panelaid::ScriptWord;
    c.RunAdvised(*sh, script, ScriptWord(system) + " " + ScriptWord(backup) + " .PreDelete " + pid, __LINE__);
    for (const std::string& tag : tags) {
        std::string found;
        if (c.queries.GetBackupMachine(system.c_str(), tag.c_str(), &found)) backup = found;
        sh->ProgressText(("Deleting hierarchy " + tag + " on " + system + " and " + backup).c_str(), c.services.bar);
        c.RunAdvised(*sh, script, ScriptWord(system) + " " + ScriptWord(backup) + " " + ScriptWord(tag) + " " + pid,
                     __LINE__);
    }
    sh->ProgressText(("Executing PostDelete scripts on " + system).c_str(), c.services.bar);
    c.RunAdvised(*sh, script, ScriptWord(system) + " " + ScriptWord(backup) + " .PostDelete " + pid, __LINE__);
    return 0;
}

}  // namespace hierman
