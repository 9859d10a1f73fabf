// Internal to the named-pipe layer: errno values -> the Win32 numbers that
// the layer's callers branch on.
#pragma once

namespace portlib::platform {

// The general mapping; call sites with a more specific meaning (a connect
// that finds no listener, a read that would block) decide before they call it.
int PipeErrorFromErrno(int err);

}  // namespace portlib::platform
