#include "FormatEstimate.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace cfgstore {

namespace {

// Widest texts of the integer conversions (64-bit long).
std::size_t Printed(const char* format, unsigned long value) { return std::snprintf(nullptr, 0, format, value); }
std::size_t Printed(const char* format, long value) { return std::snprintf(nullptr, 0, format, value); }

const std::size_t kSignedWidth = Printed("%ld", LONG_MIN);
const std::size_t kUnsignedWidth = Printed("%lu", ULONG_MAX);
const std::size_t kOctalWidth = Printed("%lo", ULONG_MAX);
const std::size_t kHexWidth = Printed("%#lx", ULONG_MAX);
const std::size_t kPointerWidth = std::snprintf(nullptr, 0, "%p", reinterpret_cast<void*>(UINTPTR_MAX));

constexpr std::size_t kFloatWidth = 500;

enum class Size { Default, Char, Short, Long, LongLong, LongDouble, Max, SizeT, PtrDiff };

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::size_t EstimateFormatLength(const char* format, va_list args) {
    std::size_t count = 1;
    if (format == nullptr) return count;
    const char* p = format;
    while (*p) {
        if (*p != '%') {
            ++count;
            ++p;
            continue;
        }
        const char* start = p++;
        if (*p == '%') {
            count += 2;
            ++p;
            continue;
        }
        // Positional arguments cannot be walked in order.
        const char* q = p;
        while (IsDigit(*q)) ++q;
        if (*q == '$') return count + kPositionalEstimate;

        while (*p && std::strchr("-+ #0'I", *p)) ++p;
        std::size_t width = 0;
        if (*p == '*') {
            int w = va_arg(args, int);
            width = w < 0 ? static_cast<std::size_t>(-static_cast<long>(w)) : static_cast<std::size_t>(w);
            ++p;
        } else {
            while (IsDigit(*p)) width = width * 10 + static_cast<std::size_t>(*p++ - '0');
        }
        bool hasPrecision = false;
        std::size_t precision = 0;
        if (*p == '.') {
            ++p;
            hasPrecision = true;
            if (*p == '*') {
                int pr = va_arg(args, int);
                if (pr < 0) hasPrecision = false;
                else precision = static_cast<std::size_t>(pr);
                ++p;
            } else {
                while (IsDigit(*p)) precision = precision * 10 + static_cast<std::size_t>(*p++ - '0');
            }
        }
        Size size = Size::Default;
        if (*p == 'h') {
            size = p[1] == 'h' ? Size::Char : Size::Short;
            p += p[1] == 'h' ? 2 : 1;
        } else if (*p == 'l') {
            size = p[1] == 'l' ? Size::LongLong : Size::Long;
            p += p[1] == 'l' ? 2 : 1;
        } else if (*p == 'L' || *p == 'q') {
            size = *p == 'L' ? Size::LongDouble : Size::LongLong;
            ++p;
        } else if (*p == 'j' || *p == 'z' || *p == 't') {
            size = *p == 'j' ? Size::Max : (*p == 'z' ? Size::SizeT : Size::PtrDiff);
            ++p;
        }
        const char conv = *p;
        if (conv) ++p;
        count += static_cast<std::size_t>(p - start);

        std::size_t widest = 0;
        const bool wide = size == Size::Long || size == Size::LongLong || size == Size::Max ||
                          size == Size::SizeT || size == Size::PtrDiff;
        switch (conv) {
        case 'd':
        case 'i':
        case 'u':
        case 'o':
        case 'x':
        case 'X':
            if (wide) (void)va_arg(args, long);
            else (void)va_arg(args, int);
            widest = conv == 'd' || conv == 'i' ? kSignedWidth
                     : conv == 'u'              ? kUnsignedWidth
                     : conv == 'o'              ? kOctalWidth
                                                : kHexWidth;
            break;
        case 'c':
            (void)va_arg(args, int);
            widest = 1;
            break;
        case 's': {
            const char* s = va_arg(args, const char*);
            if (s == nullptr) widest = hasPrecision ? std::min<std::size_t>(precision, 6) : 6;  // "(null)"
            else widest = hasPrecision ? ::strnlen(s, precision) : std::strlen(s);
            break;
        }
        case 'p':
            (void)va_arg(args, void*);
            widest = kPointerWidth;
            break;
        case 'e':
        case 'E':
        case 'f':
        case 'F':
        case 'g':
        case 'G':
        case 'a':
        case 'A':
            if (size == Size::LongDouble) (void)va_arg(args, long double);
            else (void)va_arg(args, double);
            widest = (hasPrecision && precision > kFloatWidth && precision > width) ? precision + 10 : kFloatWidth;
            break;
        case 'n':
            (void)va_arg(args, void*);
            break;
        default:
            break;
        }
        count += std::max(widest, width);
    }
    return count;
}

}  // namespace cfgstore
