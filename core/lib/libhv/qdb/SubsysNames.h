// Application and resource-type names become directory names below
// "<root>/subsys" and fields of records and table lines, and they also
// arrive from other systems. This is the one check every entry applies, and
// the one place that turns checked names into directories.
#pragma once

#include <string>
#include <vector>

namespace cfgstore {

// True when name may name a directory under subsys: not empty, not "." or
// "..", and without '/', '\', white space or control characters.
bool SubsysNameOk(const char* name);

// hv_err (severity 23, code 5) naming what and the value when the name is
// refused; 0 when it is fine.
int CheckSubsysName(const char* what, const char* name);

// The names of a directory listing (0x01 between them, split in place)
// that pass the check, each followed by 0x01: an entry that is no safe
// name is left alone.
std::string SafeEntries(char* listing);

// "<root>/subsys/<app>" and "<root>/subsys/<app>/resources/<typ>"; empty
// when a name fails the check.
std::string AppDir(const char* app);
std::string TypeDir(const char* app, const char* typ);

// Makes every directory (mode 0700, with its parents); one that exists
// already is no failure. A failure is reported (severity 24, number msgnum,
// format with the path for %s) and the others are still made. 0 or -1.
int MakeDirs(const std::vector<std::string>& dirs, int msgnum, const char* format);

// Removes the directory tree in-process (a symbolic link is removed, never
// followed). Nothing for an empty path. 0, or -1 with errno set.
int RemoveTree(const std::string& path);

}  // namespace cfgstore
