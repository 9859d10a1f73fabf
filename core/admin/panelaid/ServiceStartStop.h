// Starting or stopping the cluster service through the outside programs
// <root>/bin/hvstart.exe and hvstop.exe, behind a progress box, with the
// messages for a program that cannot start or that fails.
#pragma once

#include "ConsoleDatabase.h"
#include "MessageBoxes.h"
#include "ProgressBox.h"
#include "WaitPump.h"

namespace panelaid {

class ServiceStartStop {
public:
    ServiceStartStop(ConsoleDatabase& db, MessageBoxes& boxes, WaitPump& pump) : db_(db), boxes_(boxes), pump_(pump) {}

    // 1 when the program ran and ended with exit code 0, else 0.
    int Run(bool start, ProgressBox& box);

private:
    ConsoleDatabase& db_;
    MessageBoxes& boxes_;
    WaitPump& pump_;
};

}  // namespace panelaid
