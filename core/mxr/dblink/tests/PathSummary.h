// What the tests of the link read back from a client's database about the
// paths to one other system, as one line.
#pragma once

#include <string>
#include <vector>

namespace linktest {

// "<other's state> <path state>/<failures>... <comm-down flag>" of the paths
// to other over devs in the calling client's database ("none" for a path
// that is not there), e.g. "D DEAD/1 DEAD/0 1".
std::string PathSummary(const std::string& other, const std::vector<std::string>& devs);

}  // namespace linktest
