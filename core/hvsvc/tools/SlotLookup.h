// How the kill and unwatch tools find the slot of the process they are given,
// with the reports that tell the slot's state.
#pragma once

#include "HvinitTableView.h"

#include <string>

namespace hvtools {

// Each tool's message ids; 0 where it has no such report.
struct SlotLookupIds {
    int notRegistered;
    int stopped;
    const char* stoppedText;  // "%s: Process %s is not curren... being monitored.\n"
    int dead;
    int killed;
    int waiting;
};

struct SlotLookup {
    bool found = false;
    SlotCopy slot;
    bool notMonitored = false;  // stopped or dead
};

// Finds the slot for `argument` (a pid or a program) and reports its state
// (severity 6), or that the process is not registered.
SlotLookup LookUpSlot(const HvinitTableView& table, const std::string& tool, const std::string& argument,
                      const SlotLookupIds& ids);

// The kill and unwatch tools' start, after their options: exactly one name
// left (else `usage` is reported under secondName or noName), HV-init
// serving, the table open and the slot found. False (reported, the table
// closed) when the tool is to end with 1.
struct SlotToolIds {
    int secondName, noName;
    int notRunning, getFailed, attachFailed, detachFailed;
    SlotLookupIds lookup;
};
bool OpenToolSlot(int argc, char** argv, int firstName, const std::string& tool, const char* usage,
                  const SlotToolIds& ids, HvinitTableView* table, SlotLookup* found);

}  // namespace hvtools
