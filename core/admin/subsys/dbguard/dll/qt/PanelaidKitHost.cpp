#include "PanelaidKitHost.h"

#include "PanelaidLibrary.h"
#include "ProcessScriptRunner.h"
#include "panelaid.h"

#include <QApplication>
#include <QCursor>
#include <unistd.h>

namespace dbguard {

namespace {

panelaid::PanelaidLibrary& Lib() { return panelaid::PanelaidLibrary::Get(); }

}  // namespace

PanelaidKitHost::PanelaidKitHost(RecoveryKitControlBlock* block)
    : root_(Lib().Db().RootDir()), status_(block != nullptr ? block->m_pStatusBar : nullptr) {}

panelaid::ConsoleDatabase& PanelaidKitHost::Db() { return Lib().Db(); }

panelaid::MessageBoxes& PanelaidKitHost::Boxes() { return Lib().Boxes(); }

std::unique_ptr<panelaid::ScriptRunner> PanelaidKitHost::NewRunner() {
    const std::string root = root_;
    return std::make_unique<panelaid::ProcessScriptRunner>([root] { return root; }, Lib().Pump());
}

int PanelaidKitHost::Advise(const char* text, const char* file, int line) { return ::Advise(text, file, line); }

void PanelaidKitHost::EnumHierarchy(RecoveryKitControlBlock* block) {
    if (block->m_hWndMain == nullptr) block->m_hWndMain = QApplication::activeWindow();
    ::EnumHierarchy(block);
}

void PanelaidKitHost::CreateHierarchy(RecoveryKitControlBlock* block) {
    if (block->m_hWndMain == nullptr) block->m_hWndMain = QApplication::activeWindow();
    ::CreateHierarchy(block);
}

bool PanelaidKitHost::RootFileExists(const std::string& relative) {
    return ::access((root_ + "/" + relative).c_str(), F_OK) == 0;
}

panelaid::StatusDisplay* PanelaidKitHost::StatusOf(RecoveryKitControlBlock* block) {
    return block != nullptr && block->m_pStatusBar != nullptr ? &status_ : nullptr;
}

const char* PanelaidKitHost::PushStatus(const char* text, RecoveryKitControlBlock* block) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    return ::PushStatusBarMessage(text, block != nullptr ? block->m_pStatusBar : nullptr);
}

void PanelaidKitHost::PopStatus(const char* previous, RecoveryKitControlBlock* block) {
    ::PopStatusBarMessage(previous, block != nullptr ? block->m_pStatusBar : nullptr);
    QApplication::restoreOverrideCursor();
}

void PanelaidKitHost::ShowHelp(int context) {
    // No help viewer on this platform: the topic and file are named.
    Boxes().Ask({"Help", "Help topic " + std::to_string(context) + " in " + root_ + "/admin/help/hvntmain.hlp",
                 panelaid::BoxIcon::None, panelaid::BoxButtons::Ok});
}

}  // namespace dbguard
