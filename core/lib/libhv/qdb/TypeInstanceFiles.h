// The instances file of every resource type of the local database, read in
// turn: the instances and then the dependencies are loaded from them.
#pragma once

#include <functional>

namespace cfgstore {

// Calls load (application, type, file text) for every type whose names are
// safe, in storage order. A file that cannot be read makes the result -1
// when unreadableFails, else it is skipped (its report cleared). 0, or -1
// when any load or read failed.
int ForEachInstancesFile(bool unreadableFails, const std::function<int(const char*, const char*, char*)>& load);

}  // namespace cfgstore
