#include "ViewActions.h"

namespace hierman {

bool ViewActions::Enabled(int command) const {
    const bool focus = !(context_.view.Focus() == CellPos{0, 0});
    switch (command) {
    case kCmdInService:
    case kCmdOutService:
    case kCmdCreateDependency:
    case kCmdDeleteDependency:
    case kCmdDeleteHierarchy: return focus && !(busy_ && busy_());
    case kCmdExpandTree:
    case kCmdCollapseTree:
    case kCmdAttributes:
    case kCmdExpand:
    case kCmdCollapse: return focus;
    default: return false;
    }
}

bool ViewActions::Run(int command) {
    if (!Enabled(command)) return false;
    switch (command) {
    case kCmdInService: service_.InService(); return true;
    case kCmdOutService: service_.OutOfService(); return true;
    case kCmdCreateDependency: dependency_.CreateDependency(); return true;
    case kCmdDeleteDependency: dependency_.DeleteDependency(); return true;
    case kCmdDeleteHierarchy: hierarchy_.DeleteHierarchy(); return true;
    case kCmdAttributes: attributes_.Show(); return true;
    default: return false;
    }
}

}  // namespace hierman
