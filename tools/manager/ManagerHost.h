// The main loop of a program that hosts the communication manager: the
// manager flag, SIGTERM and SIGINT watched through the loop, the manager's
// world listening on the manager pipe, the loop run until a signal.
#pragma once

#include <functional>

#include <string>

// beforeWorld runs once the signals are watched and before the world exists
// (no thread may be started before the watch); onListening once the pipe
// listens; afterLoop once the loop has stopped, while the world still
// stands. 0 stopped by a signal; 2 the pipe cannot be made; 3 the signals
// cannot be watched. Either failure is written to stderr and handed, as
// the same text, to failed (the program's own report, before it ends).
int RunManagerHost(const char* program, const std::function<void()>& beforeWorld,
                   const std::function<void()>& onListening, const std::function<void()>& afterLoop = {},
                   const std::function<void(const std::string&)>& failed = {});
