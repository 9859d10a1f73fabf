#include "DependencyActions.h"

namespace hierman {

bool DependencyActions::TwoSelected(CMatrixCell** first, CMatrixCell** second) {
    *first = c_.view.NthSelected(0);
    *second = c_.view.NthSelected(1);
    if (*first == nullptr || *second == nullptr) {
        c_.Say("Must select two resources");
        return false;
    }
    return true;
}

bool DependencyActions::BackupOrIgnore(const std::string& tag, const std::string& question, std::string* backup) {
    if (c_.Backup(tag, backup)) return true;
    *backup = c_.System();
    return c_.IgnoreAnswered(question);
}

void DependencyActions::CreateDependency() {
    if (!c_.Allowed(kGuardAll)) return;
    ActionStatus status(c_, "Creating dependency...");
    CMatrixCell* parent = nullptr;
    CMatrixCell* child = nullptr;
    if (!TwoSelected(&parent, &child)) return;
    if (c_.view.NthSelected(2) != nullptr) {
        c_.Say("Only two resources may be selected");
        return;
    }
    // The focused resource becomes the parent.
    if (child->focusMark) std::swap(parent, child);
    if (c_.view.Root(parent) == c_.view.Root(child)) {
        c_.Say("Resources must be in separate hierarchies");
        return;
    }
    // Tags from here on: the questions below let the view be refreshed.
    const std::string parentTag = parent->text;
    const std::string childTag = child->text;
    std::string parentBackup, childBackup;
    if (!BackupOrIgnore(parentTag, parentTag + " has no Secondary", &parentBackup)) return;
    if (!BackupOrIgnore(childTag, childTag + " has no Secondary", &childBackup)) return;
    if (parentBackup != childBackup) {
        c_.Say("Resources have different secondaries");
        return;
    }
    if (!c_.Alive(parentBackup)) {
        c_.Say("Backup is Out of Service");
        return;
    }
    if (c_.InService(c_.System(), parentTag) && !c_.InService(c_.System(), childTag)) {
        c_.Say("Child is not InService");
        return;
    }
    if (c_.InService(parentBackup, parentTag) && !c_.InService(parentBackup, childTag)) {
        c_.Say("Child is not InService on remote system");
        return;
    }
    if (!c_.host.Confirm("Dependency Create", parentTag + " -> " + childTag)) return;
    Change(true, parentTag, childTag, parentBackup);
}

void DependencyActions::DeleteDependency() {
    if (!c_.Allowed(kGuardAll)) return;
    ActionStatus status(c_, "Deleting dependency...");
    CMatrixCell* parent = nullptr;
    CMatrixCell* child = nullptr;
    if (!TwoSelected(&parent, &child)) return;
    if (c_.view.Parent(child) != parent) {
        c_.Say("parent and child are not related");
        return;
    }
    if (c_.view.NthSelected(2) != nullptr) {
        c_.Say("Only two resources may be selected");
        return;
    }
    const std::string parentTag = parent->text;
    const std::string childTag = child->text;
    std::string backup;
    if (!BackupOrIgnore(parentTag, "Hierarchy has no Secondary", &backup)) return;
    if (!c_.Alive(backup)) {
        c_.Say("Backup is Out of Service");
        return;
    }
    if (!c_.host.Confirm("Dependency Delete", parentTag + " -> " + childTag)) return;
    Change(false, parentTag, childTag, backup);
}

void DependencyActions::Change(bool create, const std::string& parentTag, const std::string& childTag,
                               const std::string& backup) {
    // The worker gets copies: the cells may change while it runs.
    const std::string system = c_.System();
    ActionContext& c = c_;
    c_.runner.Run([&c, create, system, backup, parentTag, childTag] {
        panelaid::ConsoleDatabase& db = c.services.db;
        auto change = [&](const std::string& machine) {
            return create ? db.DependencyCreate(machine.c_str(), parentTag.c_str(), childTag.c_str())
                          : db.DependencyRemove(machine.c_str(), parentTag.c_str(), childTag.c_str());
        };
        auto advised = [&](const std::string& machine, const char* condition) {
            int rc = change(machine);
            while (rc != 0 && c.services.advisor.Advise(condition, kActionSource, __LINE__)) rc = change(machine);
            db.ClearError();
            return rc;
        };
        const int rc = advised(system, create ? "(iQDBRC = dep_create(CP(uname), CP(par->m_tag), CP(chd->m_tag))) == 0"
                                              : "(iQDBRC = dep_remove(CP(uname), CP(par->m_tag), CP(chd->m_tag), "
                                                "NULL)) == 0");
        if (rc != 0) return rc;
        return advised(backup, create ? "(iQDBRC = dep_create(CP(cbak), CP(par->m_tag), CP(chd->m_tag))) == 0"
                                      : "(iQDBRC = dep_remove(CP(bak), CP(par->m_tag), CP(chd->m_tag), NULL)) == 0");
    });
    // The cells are looked up again: a refresh meanwhile may have moved them.
    const std::string focusTag = c_.view.RememberFocusTag();
    CMatrixCell* ch = c_.view.FindCell(childTag);
    if (ch != nullptr) {
        ch->selected = false;
        if (create) c_.view.CollapseCell(ch);
    }
    CMatrixCell* p = c_.view.FindCell(parentTag);
    if (p != nullptr) {
        p->selected = false;
        c_.view.CollapseCell(p);
        c_.view.ExpandCell(p, false);
    }
    c_.view.RestoreFocus(focusTag);
    c_.surface.RepaintAll();
    c_.host.RefreshAllViews();
}

}  // namespace hierman
