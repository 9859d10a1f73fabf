// The administrator commands of one hierarchy view, with the state of
// their menu items and toolbar buttons. The view's window owns one and
// forwards the commands; the logic lives in the action classes.
#pragma once

#include "AttributesAction.h"
#include "DependencyActions.h"
#include "FrameCommands.h"
#include "HierarchyActions.h"
#include "ServiceActions.h"

#include <functional>

namespace hierman {

class ViewActions {
public:
    // busy answers whether an action's worker runs in the console.
    ViewActions(ViewServices services, CHiermanView& view, ViewSurface& surface, ActionHost& host,
                ActionRunner& runner, std::function<bool()> busy)
        : context_(services, view, surface, host, runner),
          hierarchy_(context_),
          dependency_(context_),
          service_(context_),
          attributes_(context_),
          busy_(std::move(busy)) {}

    // Runs a view command (Create Hierarchy comes with its kit); false for
    // an unknown command or one that is not enabled now.
    bool Run(int command);
    void CreateHierarchy(const std::string& kit) { hierarchy_.CreateHierarchy(kit); }

    bool Enabled(int command) const;

    ActionContext& Context() { return context_; }

private:
    ActionContext context_;
    HierarchyActions hierarchy_;
    DependencyActions dependency_;
    ServiceActions service_;
    AttributesAction attributes_;
    std::function<bool()> busy_;
};

}  // namespace hierman
