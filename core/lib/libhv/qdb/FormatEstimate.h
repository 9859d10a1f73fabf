// An upper estimate of the length of a printf-formatted text, used to size
// the debug trace buffer before formatting.
#pragma once

#include <cstdarg>
#include <cstddef>

namespace cfgstore {

// Added to the count so far when the format uses positional arguments ("%1$s").
inline constexpr std::size_t kPositionalEstimate = 500000;

// 1, plus 1 for each character of the format, plus for each conversion the
// widest text it can produce (at least its width). Consumes `args`.
std::size_t EstimateFormatLength(const char* format, va_list args);

}  // namespace cfgstore
