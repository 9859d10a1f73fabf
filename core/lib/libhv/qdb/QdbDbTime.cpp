#include "QdbDbTime.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

std::string QdbDbTime::text() const {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%x\x01%x", static_cast<unsigned>(secs), static_cast<unsigned>(coll));
    return buf;
}

QdbDbTime QdbDbTime::next(std::time_t now) const {
    const auto s = static_cast<std::uint32_t>(now);
    return QdbDbTime{s, s == secs ? coll + 1 : coll};
}

const char* QdbDbTime::rebuildFrom(const char* text) {
    secs = 0;
    coll = 0;
    if (text == nullptr) return nullptr;
    secs = static_cast<std::uint32_t>(std::strtoul(text, nullptr, 16));
    const char* sep = std::strchr(text, '\x01');
    if (sep == nullptr) return nullptr;
    coll = static_cast<std::int32_t>(std::strtoul(sep + 1, nullptr, 16));
    const char* second = std::strchr(sep + 1, '\x01');
    return second ? second + 1 : nullptr;
}

namespace {

// One hexadecimal number of 1 to 8 digits ended by 0x01; the position after
// the 0x01, or null.
const char* HexField(const char* p, std::uint32_t* value) {
    std::uint32_t v = 0;
    int digits = 0;
    for (; *p != '\x01'; ++p, ++digits) {
        const char c = *p;
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else return nullptr;  // NUL included
        if (digits == 8) return nullptr;
        v = v * 16 + static_cast<std::uint32_t>(d);
    }
    if (digits == 0) return nullptr;
    *value = v;
    return p + 1;
}

}  // namespace

const char* QdbDbTime::parseStrict(const char* text) {
    if (text == nullptr) return nullptr;
    std::uint32_t s = 0, c = 0;
    const char* p = HexField(text, &s);
    if (p == nullptr || (p = HexField(p, &c)) == nullptr) return nullptr;
    secs = s;
    coll = static_cast<std::int32_t>(c);
    return p;
}

QdbDbTime::operator const char*() const {
    thread_local char buf[32];
    std::snprintf(buf, sizeof buf, "%x\x01%x", static_cast<unsigned>(secs), static_cast<unsigned>(coll));
    return buf;
}

const char* QdbDbTime::desc() const {
    thread_local char buf[128];
    std::time_t t = static_cast<std::time_t>(secs);
    std::tm tmv {};
    char when[64];
    if (::localtime_r(&t, &tmv) != nullptr && std::strftime(when, sizeof when, "%a %b %e %H:%M:%S %Y", &tmv) == 24)
        std::snprintf(buf, sizeof buf, "%s. Collisions in TimeStamp: %d.", when, coll);
    else
        std::snprintf(buf, sizeof buf, "Invalid Time Value: 0x%x. Collisions in TimeStamp: %d.",
                      static_cast<unsigned>(secs), coll);
    return buf;
}
