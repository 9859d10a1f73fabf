// The requests the process-monitor tools send to HV-init's command pipe, and
// the request sequences that the kill and unwatch tools share.
#pragma once

#include "HvinitTableView.h"

#include <initializer_list>
#include <string>

namespace hvtools {

// One request through hvi_request's retry rule. True when it got a reply;
// *value is the reply read as an integer.
bool Ask(int command, std::initializer_list<const char*> args, long* value);

// Update records built from a slot's command (14 fields; "-" keeps a field).
// Stop: pid -1, next poll, fail count and window end 0, state S.
std::string StopRecord(const std::string& command);
// Poll now: only the next poll time, set to `now`.
std::string PollNowRecord(const std::string& command, long now);

// Removes the process from the configuration file and the table and frees
// its group number. False when a request failed.
bool RemoveFully(const SlotCopy& slot);
// Stops the watching: a process that the configuration file holds keeps its
// slot, stopped (nothing is sent when it is not monitored already); any
// other is unregistered and its group number freed. False when a request
// failed.
bool StopWatching(const SlotCopy& slot, bool notMonitored);

}  // namespace hvtools
