// Create Hierarchy (a recovery kit's pages do the work, called through the
// GUI thread from the worker) and Delete Hierarchy (the Delete script for
// each confirmed root, on the view's system and its backup).
#pragma once

#include "ActionContext.h"

#include <string>
#include <vector>

namespace hierman {

class HierarchyActions {
public:
    explicit HierarchyActions(ActionContext& c) : c_(c) {}

    void CreateHierarchy(const std::string& kit);
    void DeleteHierarchy();

    const std::string& LastKit() const { return lastKit_; }

    // The worker of Delete Hierarchy, on copies of the tags.
    static int DeleteWorker(ActionContext& c, const std::string& system, std::string backup,
                            const std::vector<std::string>& tags, const std::string& pid);

private:
    ActionContext& c_;
    std::string lastKit_;
};

}  // namespace hierman
