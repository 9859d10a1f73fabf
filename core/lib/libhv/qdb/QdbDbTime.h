// A database time stamp: {seconds, collision count}. {0, 0} means "no valid
// stamp": a cached copy that carries it is reloaded before use. Text form:
// both numbers in hexadecimal separated by the byte 0x01.
#pragma once

#include <cstdint>
#include <string>

struct QdbDbTime {
    std::uint32_t secs;  // seconds since 1970, unsigned 32-bit as stored
    std::int32_t coll;

    bool valid() const { return secs != 0 || coll != 0; }
    std::string text() const;
};
static_assert(sizeof(QdbDbTime) == 8);
