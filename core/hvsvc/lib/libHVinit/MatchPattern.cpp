// Wildcard match of process names against an upper-case pattern.
#include "ProcessList.h"

#include <cctype>

namespace {

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

// Matches one name character against the pattern element at p (not '*').
// *next gets the position after the element.
bool MatchOne(char c, const char* p, const char** next) {
    if (*p == '?') {
        *next = p + 1;
        return true;
    }
    if (*p != '[') {
        *next = p + 1;
        return Upper(c) == *p;
    }
    const char* q = p + 1;
    const char u = Upper(c);
    bool in = false;
    while (*q != '\0' && *q != ']') {
        if (q[1] == '-' && q[2] != '\0' && q[2] != ']') {
            if (u >= q[0] && u <= q[2]) in = true;
            q += 3;
        } else {
            if (u == *q) in = true;
            ++q;
        }
    }
    if (*q == '\0') {  // unclosed: any one character, and the pattern ends here
        *next = q;
        return true;
    }
    *next = q + 1;
    return in;
}

}  // namespace

int match_pattern(const char* name, const char* pattern) {
    if (name == nullptr || pattern == nullptr) return 0;
    const char* n = name;
    const char* p = pattern;
    const char* starP = nullptr;  // pattern after the last '*'
    const char* starN = nullptr;  // name position that '*' stretches from
    while (*n != '\0') {
        const char* next = nullptr;
        if (*p == '*') {
            starP = ++p;
            starN = n;
            continue;
        }
        if (*p != '\0' && MatchOne(*n, p, &next)) {
            p = next;
            ++n;
            continue;
        }
        if (starP == nullptr) return 0;
        p = starP;
        n = ++starN;
    }
    while (*p == '*') ++p;
    return *p == '\0' ? 1 : 0;
}
