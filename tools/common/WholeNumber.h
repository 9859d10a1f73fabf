// Whole numbers from command lines and requests: decimal digits with at most
// one leading sign, nothing before or after them, within [lo, hi]. Blanks,
// an empty text, a bare sign, trailing text and a value beyond the type are
// all refused, so every tool reads a number the same way.
#pragma once

#include <charconv>
#include <string_view>
#include <system_error>

namespace hvtool {

template <typename T>
bool ParseWholeNumber(std::string_view text, T lo, T hi, T* out) {
    const char* first = text.data();
    const char* const last = first + text.size();
    // from_chars takes a '-' but no '+'; a '+' must still be followed by a digit.
    if (first != last && *first == '+') ++first;
    if (first == last || !((*first >= '0' && *first <= '9') || (*first == '-' && first + 1 != last && first == text.data())))
        return false;
    long long v = 0;
    const auto [end, ec] = std::from_chars(first, last, v, 10);
    if (ec != std::errc() || end != last || v < static_cast<long long>(lo) || v > static_cast<long long>(hi))
        return false;
    *out = static_cast<T>(v);
    return true;
}

}  // namespace hvtool
