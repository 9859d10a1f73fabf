// What the kit's logic asks of the program that loaded it: the configuration
// database, message boxes, script runners, the loader for other kits, the
// status bar, the help viewer. PanelaidKitHost is the real one; the tests
// have FakeKitHost.
#pragma once

#include "ConsoleDatabase.h"
#include "MessageBoxes.h"
#include "RecoveryKitControlBlock.h"
#include "ScriptRunner.h"
#include "StatusDisplay.h"

#include <memory>
#include <string>

namespace dbguard {

class KitHost {
public:
    virtual ~KitHost() = default;

    virtual panelaid::ConsoleDatabase& Db() = 0;
    virtual panelaid::MessageBoxes& Boxes() = 0;
    // A runner of scripts under the installation root, for one operation.
    virtual std::unique_ptr<panelaid::ScriptRunner> NewRunner() = 0;
    // The advisory box for a failed database call; 1 Retry, 0 go on.
    virtual int Advise(const char* text, const char* file, int line) = 0;

    // Another kit's enumerate or create entry, through the loader.
    virtual void EnumHierarchy(RecoveryKitControlBlock* block) = 0;
    virtual void CreateHierarchy(RecoveryKitControlBlock* block) = 0;

    // Whether <root>/<relative> exists.
    virtual bool RootFileExists(const std::string& relative) = 0;

    // The block's status bar, for the runner's progress texts (may be null).
    virtual panelaid::StatusDisplay* StatusOf(RecoveryKitControlBlock* block) = 0;
    // The status-bar stack with a wait cursor, around the registrations.
    virtual const char* PushStatus(const char* text, RecoveryKitControlBlock* block) = 0;
    virtual void PopStatus(const char* previous, RecoveryKitControlBlock* block) = 0;

    virtual void ShowHelp(int context) = 0;
};

}  // namespace dbguard
