// A seam for the crash tests: a process whose environment names a place
// ("HV_CRASH_AT=<place>") kills itself there with SIGKILL, as a machine or
// an operator would, while it holds the database lock in the middle of a
// change. With "HV_CRASH_FLAG=<file>" too it does so only when it can remove
// that file: once, and only after the test has made the file. Without the
// variables it does nothing.
#pragma once

namespace cfgstore {

void CrashPoint(const char* place);

}  // namespace cfgstore
