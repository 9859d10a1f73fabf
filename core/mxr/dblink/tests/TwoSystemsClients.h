// The database clients of the two-system link test, each a child process
// with one system's environment. Kept apart from the test's own unit, which
// holds the namespace and process helpers.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace linktest {

using SystemEnv = std::vector<std::pair<std::string, std::string>>;

// "<other's state> <path state>/<failures>... <comm-down flag>" of the paths
// to other over devs in env's database, polled until it is one of wants (at
// most ms); the last one read.
std::string WaitPathSummary(const SystemEnv& env, const std::string& other, const std::vector<std::string>& devs,
                            const std::vector<std::string>& wants, int ms);
// net_create of a TLI path to other over each dev (heartbeat 1 s, 2
// misses), then net_sync: the results, one digit each.
std::string CreatePathsAndSync(const SystemEnv& env, const std::string& other, const std::vector<std::string>& devs);
// net_remove of the path, waited for at most ms once the client has
// started: its result, or "no end" when it did not return in time.
std::string RemovePathWithin(const SystemEnv& env, const std::string& other, const std::string& dev, int ms);

}  // namespace linktest
