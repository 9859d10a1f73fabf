// Create Dependency and Delete Dependency: one parent-child link added to or
// removed from the databases of the view's system and of its backup, the
// backup's only after the view's own succeeded.
#pragma once

#include "ActionContext.h"

#include <string>

namespace hierman {

class DependencyActions {
public:
    explicit DependencyActions(ActionContext& c) : c_(c) {}

    void CreateDependency();
    void DeleteDependency();

private:
    // The selected pair for a dependency command; false after a refusal.
    bool TwoSelected(CMatrixCell** first, CMatrixCell** second);
    // The backup for the tag (the view's system after an Ignore); false
    // when the user did not go on.
    bool BackupOrIgnore(const std::string& tag, const std::string& question, std::string* backup);
    // Runs the change in both databases on a worker; then redraws the
    // parent's tree with the focus kept.
    void Change(bool create, const std::string& parentTag, const std::string& childTag, const std::string& backup);

    ActionContext& c_;
};

}  // namespace hierman
