// Application and resource-type names become directory names below
// "<root>/subsys" and fields of records and table lines, and they also
// arrive from other systems. This is the one check every entry applies, and
// the one place that turns checked names into directories.
#pragma once

#include <string>

namespace cfgstore {

// True when name may name a directory under subsys: not empty, not "." or
// "..", and without '/', '\', white space or control characters.
bool SubsysNameOk(const char* name);

// hv_err (severity 23, code 5) naming what and the value when the name is
// refused; 0 when it is fine.
int CheckSubsysName(const char* what, const char* name);

// "<root>/subsys/<app>" and "<root>/subsys/<app>/resources/<typ>"; empty
// when a name fails the check.
std::string AppDir(const char* app);
std::string TypeDir(const char* app, const char* typ);

// Removes the directory tree in-process (a symbolic link is removed, never
// followed). Nothing for an empty path. 0, or -1 with errno set.
int RemoveTree(const std::string& path);

}  // namespace cfgstore
