#include "ActionContext.h"

#include <algorithm>

namespace hierman {

bool ContainsTag(const std::vector<std::string>& list, const std::string& tag) {
    return std::find(list.begin(), list.end(), tag) != list.end();
}

void AddTag(std::vector<std::string>* list, const std::string& tag) {
    if (!ContainsTag(*list, tag)) list->push_back(tag);
}

void AppendTags(std::vector<std::string>* list, const std::vector<std::string>& more) {
    for (const std::string& tag : more) AddTag(list, tag);
}

void RemoveTag(std::vector<std::string>* list, const std::string& tag) {
    list->erase(std::remove(list->begin(), list->end(), tag), list->end());
}

std::string RecordField(const std::string& record, std::size_t n) {
    const std::vector<std::string> fields = panelaid::SplitRecord(record);
    return n >= 1 && n <= fields.size() ? fields[n - 1] : std::string();
}

bool ActionContext::Allowed(int flags) {
    if ((flags & kGuardInitializing) && !initChecked_ && services.db.Initializing()) {
        Say("Operation Denied\nHoldervane is still initializing");
        return false;
    }
    if ((flags & kGuardSelection) && view.NthSelected(0) == nullptr) {
        Say("Operation Denied\nMust select a resource");
        return false;
    }
    initChecked_ = true;
    return true;
}

void ActionContext::Say(const std::string& text) {
    panelaid::BoxRequest box;
    box.caption = kConsoleTitle;
    box.text = text;
    box.icon = panelaid::BoxIcon::Error;
    services.boxes.Ask(box);
}

bool ActionContext::AskYes(const std::string& text, panelaid::BoxIcon icon) {
    panelaid::BoxRequest box;
    box.caption = kConsoleTitle;
    box.text = text;
    box.icon = icon;
    box.buttons = panelaid::BoxButtons::YesNo;
    return services.boxes.Ask(box) == panelaid::BoxAnswer::Yes;
}

bool ActionContext::IgnoreAnswered(const std::string& text) {
    panelaid::BoxRequest box;
    box.caption = kConsoleTitle;
    box.text = text;
    box.icon = panelaid::BoxIcon::Error;
    box.buttons = panelaid::BoxButtons::AbortRetryIgnore;
    return services.boxes.Ask(box) == panelaid::BoxAnswer::Ignore;
}

bool ActionContext::Backup(const std::string& tag, std::string* backup) {
    return queries.GetBackupMachine(System().c_str(), tag.c_str(), backup);
}

bool ActionContext::Alive(const std::string& system) {
    const int state = services.db.SystemState(nullptr, system.c_str());
    services.db.ClearError();
    return state == 'A';
}

bool ActionContext::InService(const std::string& system, const std::string& tag) {
    return view.InstanceStateIcon(system, tag) == kIconInService;
}

void ActionContext::Deselect(CMatrixCell* cell) {
    if (cell == nullptr) return;
    cell->selected = false;
    surface.RepaintCell(cell->column, cell->row);
}

void ActionContext::ForEachSelectedRoot(const std::function<void(const std::string& tag)>& each) {
    for (int i = 0;;) {
        CMatrixCell* cell = view.NthSelected(i);
        if (cell == nullptr) break;
        const std::string tag = cell->text;
        if (view.Root(cell) != cell) {
            Say(tag + " is not a root");
            ++i;
            continue;
        }
        each(tag);
        // Looked up again: a dialog meanwhile may have let the view change.
        CMatrixCell* same = view.NthSelected(i);
        if (same != nullptr && same->text == tag) ++i;
    }
}

bool ActionContext::RunAdvised(panelaid::ScriptRunner& runner, const std::string& script, const std::string& args,
                               int line) {
    const std::string condition = "sh.Execute(\"" + script + "\", args) == 0";
    bool ok = runner.Execute(script, args) == 0;
    services.db.ClearError();
    while (!ok && services.advisor.Advise(condition.c_str(), kActionSource, line)) {
        ok = runner.Execute(script, args) == 0;
        services.db.ClearError();
    }
    return ok;
}

}  // namespace hierman
