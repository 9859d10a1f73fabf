// The application status console as the single-document shell builds it:
// title, instance name, help table, menus with their prompts, toolbar and
// About box. The Tree commands go to the functions given.
#pragma once

#include "CAPPSTATView.h"
#include "ShellSpec.h"

#include <functional>

namespace appstat {

// Command ids of the console's own menu items.
inline constexpr int kCommandExpand = 32771;
inline constexpr int kCommandCollapse = 32772;
inline constexpr int kCommandExpandAll = 32773;
inline constexpr int kCommandCollapseAll = 32774;
inline constexpr int kCommandHardwareAdmin = 32775;
inline constexpr int kCommandHierarchyAdmin = 32776;
inline constexpr int kCommandContents = 32777;
inline constexpr int kCommandStop = 32782;

struct TreeCommandHooks {
    std::function<void(TreeCommand)> run;
    std::function<bool(TreeCommand)> enabled;
};

panelaid::ShellSpec MakeAppstatSpec(TreeCommandHooks hooks);

}  // namespace appstat
