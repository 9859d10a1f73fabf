// KitHost in the program that loaded the kit: panelaid's database, message
// boxes, advisory box, status-bar stack and loader, and script runners that
// start the scripts under the installation root.
#pragma once

#include "KitHost.h"
#include "QtStatusDisplay.h"

namespace dbguard {

class PanelaidKitHost : public KitHost {
public:
    explicit PanelaidKitHost(RecoveryKitControlBlock* block);

    panelaid::ConsoleDatabase& Db() override;
    panelaid::MessageBoxes& Boxes() override;
    std::unique_ptr<panelaid::ScriptRunner> NewRunner() override;
    int Advise(const char* text, const char* file, int line) override;
    void EnumHierarchy(RecoveryKitControlBlock* block) override;
    void CreateHierarchy(RecoveryKitControlBlock* block) override;
    bool RootFileExists(const std::string& relative) override;
    panelaid::StatusDisplay* StatusOf(RecoveryKitControlBlock* block) override;
    const char* PushStatus(const char* text, RecoveryKitControlBlock* block) override;
    void PopStatus(const char* previous, RecoveryKitControlBlock* block) override;
    void ShowHelp(int context) override;

private:
    std::string root_;
    panelaid::QtStatusDisplay status_;
};

}  // namespace dbguard
