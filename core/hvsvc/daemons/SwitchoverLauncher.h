// Starts the switchover script at system shutdown: "<bin>/inh_failover.ksh"
// with the computer name, run by /bin/sh (NT ran it through sh.exe -c), in
// the program directory, detached, at high priority, with HVBIN set to the
// program directory. Not waited for.
#pragma once

#include <string>

namespace hvsvc {

class SwitchoverLauncher {
public:
    // 0 when the script was started; else the failure (also reported).
    static int Start();
    // Every backslash after the first character turned into '/'.
    static std::string ForwardSlashes(const std::string& dir);
};

}  // namespace hvsvc
