// Walks of the local hierarchies that recovery needs, made under the
// database lock and handed back as tag copies, so that scripts may run and
// change the database before the tags are used.
#pragma once

#include <string>
#include <vector>

namespace cfgstore {

// Every tag reachable from the instance list, children before parents,
// each once.
std::vector<std::string> PostOrderTags();

// The failing instance, everything below it and everything above it,
// children before parents, each once.
std::vector<std::string> FailingSet(const std::string& failingTag);

}  // namespace cfgstore
