// Reply statuses and flags of the object-persistence pipe.
#pragma once

#include "PreserveClient.h"

#include <cstdint>

namespace hvsvc {

using portlib::kPreserveFlagErrorWord;
using portlib::kPreserveMagic;
using portlib::kPreserveStatusFailed;     // out of memory, or the exit code could not be read
using portlib::kPreserveStatusHeldTwice;  // two entries hold the same object
using portlib::kPreserveStatusNotFound;   // not held, or the object could not be opened

inline constexpr std::uint32_t kWin32OutOfMemory = 8;

}  // namespace hvsvc
