// Whether a flag of the local database is set, asked at system shutdown.
//
// The database's start-up may wait for its daemon and manager, or end the
// calling process, and at shutdown neither may be there: so the question is
// asked in a child process that has 3 s to answer; no answer means absent.
//
// Until the flags table exists, the child asks ShutdownFlagTest, which reads
// the flag names (one per line) of the file that HVSVC_FLAGS_FILE names, or a
// function installed by tests. The flags table replaces its body by flg_test.
#pragma once

namespace hvsvc {

inline constexpr const char* kSwitchoverFlag = "shutdown_switchover";
inline constexpr const char* kFlagsFileVariable = "HVSVC_FLAGS_FILE";

// flg_test's contract: 0 when the flag exists, 1 when it does not, -1 on a
// bad call. `system` null is the local database.
int ShutdownFlagTest(const char* system, const char* flag, int mode);

// Replaces the question (null restores the file-based one).
using FlagTestFunction = int (*)(const char* system, const char* flag, int mode);
void SetShutdownFlagTest(FlagTestFunction test);

// True only when a child answered within timeoutMs that the flag exists.
bool AskFlagInChild(const char* flag, int timeoutMs = 3000);

}  // namespace hvsvc
