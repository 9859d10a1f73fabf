// What the administrator actions ask of the console around them: the
// confirmation dialog, refreshing every view, the console's process id, a
// script runner for a worker, the recovery kit's create call and the
// attributes sheet. The Qt main window answers; tests record.
#pragma once

#include "RecoveryKitControlBlock.h"
#include "ScriptRunner.h"

#include <memory>
#include <string>
#include <vector>

namespace hierman {

// One resource's attributes as the three pages of the sheet show them.
struct AttributeSheetData {
    // Names
    std::string application, type, tag, id, otherSystem;
    // States
    std::string info, state, strategy;
    // Relations
    std::string system;
    std::vector<std::string> parents, children, roots;
};

class ActionHost {
public:
    virtual ~ActionHost() = default;
    // The confirmation dialog: true for OK.
    virtual bool Confirm(const std::string& text, const std::string& tag) = 0;
    virtual void RefreshAllViews() = 0;
    // "%d" of the console's process id.
    virtual std::string ProcessId() = 0;
    // A runner for one worker's scripts (called on the worker's thread).
    virtual std::unique_ptr<panelaid::ScriptRunner> NewScriptRunner() = 0;
    // Called from a worker: has the GUI thread load the block's kit and make
    // its create call; returns when that call has returned.
    virtual void CreateHierarchy(RecoveryKitControlBlock* block) = 0;
    // Shows one resource's sheet modally.
    virtual void ShowAttributes(const AttributeSheetData& data) = 0;
};

}  // namespace hierman
