// The database clients of the failover tests, each a child process with one
// system's environment (kept apart from the namespace and process helpers).
#pragma once

#include "TwoSystemsClients.h"

#include <string>

namespace failovertest {

// "S=<state>/<init>,T=<state>/<init>" of env's database, polled until it is
// want (at most ms); the last one read.
std::string WaitStates(const linktest::SystemEnv& env, const std::string& want, int ms);
// The restore action of tag's whole hierarchy on env's system with the
// argument string: its result.
std::string Restore(const linktest::SystemEnv& env, const char* tag, const char* args);

}  // namespace failovertest
