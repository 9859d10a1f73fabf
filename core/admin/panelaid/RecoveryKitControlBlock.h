// The parameter record between a program that needs a recovery kit's pages
// and the kit: filled by the caller, read and answered by the kit.
#pragma once

#include <string>
#include <vector>

class QStatusBar;
class QWidget;

// Outcome in m_status.
enum RecoveryKitStatus : int {
    kKitStatusNone = 0,         // set before the entry runs; stays when the kit sets nothing
    kKitStatusDone = 1,         // created (create) or chosen (enumerate)
    kKitStatusCancelled = 2,
    kKitStatusNotLoaded = 3,    // no library, no capability record, or no entry
    kKitStatusFailed = 4,       // the entry returned 0, or the kit failed
    kKitStatusNotOffered = 5,   // the kit does not offer the operation
};

struct RecoveryKitControlBlock {
    QWidget* m_hWndMain = nullptr;               // owner of the kit's dialogs
    std::string m_pid;                           // the console's process id, "%d"
    std::string m_machine;                       // the database the kit works in
    std::string m_kit;                           // selects <root>/admin/kit/<kit>/<kit>.so
    std::vector<std::string> m_primarySystems;
    std::vector<std::string> m_secondarySystems;
    std::vector<std::string> m_tags;             // tags the calling page holds
    QStatusBar* m_pStatusBar = nullptr;          // for the kit's progress texts
    std::string m_resultTag;                     // out
    int m_status = kKitStatusNone;               // out
};
