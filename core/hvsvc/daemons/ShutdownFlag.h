// Whether a flag of the local database is set, asked at system shutdown.
//
// The database's start-up may wait for its daemon and manager, or end the
// calling process, and at shutdown neither may be there: so the question is
// asked in a child process that has 3 s to answer; no answer means absent.
//
// The child asks ShutdownFlagTest: the database's start-up, then flg_test of
// the local database (or a function installed by tests).
#pragma once

namespace hvsvc {

inline constexpr const char* kSwitchoverFlag = "shutdown_switchover";

// flg_test's contract: 0 when the flag exists, 1 when it does not, -1 on a
// bad call. `system` null is the local database.
int ShutdownFlagTest(const char* system, const char* flag, int mode);

// Replaces the question (null restores the database's).
using FlagTestFunction = int (*)(const char* system, const char* flag, int mode);
void SetShutdownFlagTest(FlagTestFunction test);

// True only when a child answered within timeoutMs that the flag exists.
bool AskFlagInChild(const char* flag, int timeoutMs = 3000);

}  // namespace hvsvc
