// The GUI utility library's exports, shared by the consoles and the recovery
// kits. Every function runs on the calling thread; message boxes and
// widgets are always shown on the GUI thread.
#pragma once

#include "RecoveryKitControlBlock.h"

#include <string>

class QRect;
class QStatusBar;
class QWidget;

extern "C" {

// Advisory box for a failed database call or script, with the calling
// thread's database error, which it then clears. 1 Retry, 0 Abort or Ignore.
int Advise(const char* text, const char* file, int line);
int InAdvise(void);

// 1 with the backup system of tag's hierarchy in machine's database, else 0
// (backup unchanged).
int GetBackupMachine(const char* machine, const char* tag, std::string& backup);
// The roots above tag, null-terminated, from the database library's
// allocator (free each and the array with qdbfreeit); null when none.
char** root_list(const char* machine, const char* tag);

// 1 service and daemon up, -1 service up without the daemon, 0 down.
int test_holdervane(void);
// Runs <root>/bin/hvstart.exe (start nonzero) or hvstop.exe behind a progress
// box owned by owner. 1 when it ended with exit code 0, else 0.
int start_stop_holdervane(int start, QWidget* owner);

// The status-bar stack (null text: "Ready", or the initialising text).
const char* PushStatusBarMessage(const char* text, QStatusBar* bar);
void PopStatusBarMessage(const char* previous, QStatusBar* bar);
void StatusBarMessage(const char* text, QStatusBar* bar);

// Runs the kit's create or enumerate entry once; the outcome in m_status.
void CreateHierarchy(RecoveryKitControlBlock* block);
void EnumHierarchy(RecoveryKitControlBlock* block);

// Window placements and zoom factors of the consoles.
int SaveWindowSettings(QWidget* frame, QWidget* window, int extra1, int extra2);
int RetrieveWindowSettings(QWidget* frame, QWidget* window, QRect& rect, int& show, int* extra1, int* extra2);
int SaveZoomFactor(const char* title, int zoom);
int RetrieveZoomFactor(const char* title, int* zoom);

// 1 for a valid tag or system name.
int IsValidHVString(const char* text);

}
