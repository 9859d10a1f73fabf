// The NT scalar types that portlib's interface keeps, with their NT widths.
#pragma once

#include <cstdint>

namespace portlib {

using DWORD = std::uint32_t;
using BYTE = unsigned char;
using BOOL = int;

}  // namespace portlib
