#include "NameCheck.h"

namespace panelaid {

namespace {
bool Alnum(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }
}  // namespace

int IsValidName(const char* text) {
    if (text == nullptr) return 0;
    if (!Alnum(text[0]) && text[0] != '_') return 0;
    for (const char* p = text + 1; *p != '\0'; ++p)
        if (!Alnum(*p) && *p != '-' && *p != '.' && *p != '_') return 0;
    return 1;
}

}  // namespace panelaid
