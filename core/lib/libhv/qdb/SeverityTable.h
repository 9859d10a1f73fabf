// Looking up a severity in a table, and what its level means for the words
// printed and the event log.
#pragma once

#include "qdberr.h"

#include <cstdint>

namespace cfgstore {

// The row of `severity` in `table` (null: the library's table); the default
// row {3, 3, PXM_DEFAULT} when it has none.
const pxm_sevtab_t& FindSeverity(const pxm_sevtab_t* table, int severity);

// "*CRITICAL*", "*ERROR*", "*WARNING*", "*INFO*", "*DEBUG*", else "*MESSAGE*".
const char* LevelWord(int level);

// Event identifier of a report of `level` from a program of `facility`.
std::uint32_t EventIdFor(int level, int facility);

}  // namespace cfgstore
