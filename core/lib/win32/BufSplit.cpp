#include "BufSplit.h"

#include <bitset>
#include <cstring>
#include <mutex>

namespace portlib {

namespace {

// A set of bytes, so any delimiter text fits: no buffer to overrun.
using DelimSet = std::bitset<256>;

DelimSet MakeSet(const char* text) {
    DelimSet set;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) set.set(*p);
    return set;
}

std::mutex g_delimMutex;
DelimSet g_delims = MakeSet("\t \n");

}  // namespace

int bufsplit(char* buf, unsigned n, char** a) {
    if (buf == nullptr) return 0;
    if (n == 0) {
        DelimSet set = MakeSet(buf);
        std::lock_guard<std::mutex> guard(g_delimMutex);
        g_delims = set;
        return 0;
    }
    if (a == nullptr) return 0;
    DelimSet delims;
    {
        std::lock_guard<std::mutex> guard(g_delimMutex);
        delims = g_delims;
    }
    auto isDelim = [&delims](char c) { return delims.test(static_cast<unsigned char>(c)); };
    unsigned count = 0;
    char* field = buf;
    for (;;) {
        a[count++] = field;
        char* end = field;
        while (*end && !isDelim(*end)) ++end;
        if (*end == '\0') break;
        *end = '\0';
        char* next = end + 1;
        while (*next && isDelim(*next)) ++next;
        if (*next == '\0' || count == n) break;
        field = next;
    }
    char* empty = buf + std::strlen(buf);
    for (unsigned i = count; i < n; ++i) a[i] = empty;
    return static_cast<int>(n);
}

int strtrns(const char*, const char*, const char*, char*) { return 0; }

}  // namespace portlib
