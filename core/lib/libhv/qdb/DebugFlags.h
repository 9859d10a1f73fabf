// Which debug traces are on. hv_debug asks this seam: by default the local
// database's flags while the segment is attached (never waiting for the
// database lock: a busy lock reads as "off"), else a small in-process list.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace cfgstore {

// Answers like the flags table's test of the local database: 1 when a flag
// matches `name`, else 0. mode 1 lets a stored flag ending in "*" match by
// prefix and one beginning with "*" by suffix; mode 0 asks for the exact name.
using DebugFlagTestFn = int (*)(const char* name, int mode);

// The local database's flag test behind the default.
int FlagTableDebugTest(const char* name, int mode);

// Installs the test (null: the default) and returns the one in use.
void SetDebugFlagTest(DebugFlagTestFn test);
DebugFlagTestFn GetDebugFlagTest();

// Whether a stored flag matches a name (with the wildcard rule when asked).
bool FlagMatches(std::string_view stored, std::string_view name, bool wildcards);

// Replaces the in-process list.
void SetLocalDebugFlags(std::vector<std::string> flags);

}  // namespace cfgstore
