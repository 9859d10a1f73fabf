// What every administrator action of one hierarchy view works with: the
// console's shared parts, the view's matrix and window, the console around
// it and the runner of the actions' workers; with the guard that decides
// whether an action may start and the small steps the actions share.
#pragma once

#include "ActionHost.h"
#include "ActionRunner.h"
#include "CHiermanView.h"
#include "HierarchyQueries.h"

#include <functional>
#include <string>
#include <vector>

namespace hierman {

// The guard's conditions.
inline constexpr int kGuardInitializing = 1;
inline constexpr int kGuardSelection = 2;
inline constexpr int kGuardAll = 0xffff;

// Where the advisory boxes of the actions say they come from.
inline constexpr const char* kActionSource = "hiermanactions";

// Tag lists keep each tag once, in the order added.
bool ContainsTag(const std::vector<std::string>& list, const std::string& tag);
void AddTag(std::vector<std::string>* list, const std::string& tag);
void AppendTags(std::vector<std::string>* list, const std::vector<std::string>& more);
void RemoveTag(std::vector<std::string>* list, const std::string& tag);

// Field n (from 1) of a database record; "" when it has fewer.
std::string RecordField(const std::string& record, std::size_t n);

class ActionContext {
public:
    ActionContext(ViewServices services, CHiermanView& view, ViewSurface& surface, ActionHost& host,
                  ActionRunner& runner)
        : services(services), view(view), surface(surface), host(host), runner(runner), queries(services.db) {}

    // Whether the action may go on; a refusal has been shown.
    bool Allowed(int flags);

    // An error box owned by the view.
    void Say(const std::string& text);
    // A question with Yes and No (icon Warning or None for a plain question).
    bool AskYes(const std::string& text, panelaid::BoxIcon icon);
    // "<tag> has no Secondary" style question with Abort, Retry, Ignore:
    // true only for Ignore.
    bool IgnoreAnswered(const std::string& text);

    // The backup system of tag's hierarchy in the view's database.
    bool Backup(const std::string& tag, std::string* backup);
    // 'A' when system is alive as the local database sees it.
    bool Alive(const std::string& system);
    bool InService(const std::string& system, const std::string& tag);

    void Deselect(CMatrixCell* cell);
    // Walks the selected cells in the matrix's order: "<tag> is not a root"
    // for each one that is not, each(tag) for every root. A root that each
    // leaves selected is passed over; one it deselects makes room for the
    // next at the same place.
    void ForEachSelectedRoot(const std::function<void(const std::string& tag)>& each);
    const std::string& System() const { return view.SystemName(); }

    // Runs a script, again while it fails and the administrator answers
    // Retry; clears the thread's database error after each run. Called on
    // a worker.
    bool RunAdvised(panelaid::ScriptRunner& runner, const std::string& script, const std::string& args, int line);

    ViewServices services;
    CHiermanView& view;
    ViewSurface& surface;
    ActionHost& host;
    ActionRunner& runner;
    panelaid::HierarchyQueries queries;

private:
    bool initChecked_ = false;
};

// A status-bar text for the length of a scope.
class ActionStatus {
public:
    ActionStatus(const ActionContext& c, const std::string& text)
        : c_(c), previous_(c.services.status.Push(text.c_str(), c.services.bar)) {}
    ~ActionStatus() { c_.services.status.Pop(previous_, c_.services.bar); }
    ActionStatus(const ActionStatus&) = delete;
    ActionStatus& operator=(const ActionStatus&) = delete;

private:
    const ActionContext& c_;
    const char* previous_;
};

}  // namespace hierman
