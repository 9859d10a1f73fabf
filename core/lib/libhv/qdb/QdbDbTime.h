// A database time stamp: {seconds, collision count}. {0, 0} means "no valid
// stamp": a cached copy that carries it is reloaded before use. Text form:
// both numbers in hexadecimal separated by the byte 0x01.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

struct QdbDbTime {
    std::uint32_t secs;  // seconds since 1970, unsigned 32-bit as stored
    std::int32_t coll;

    bool valid() const { return secs != 0 || coll != 0; }
    bool operator==(const QdbDbTime& o) const { return secs == o.secs && coll == o.coll; }
    std::string text() const;

    // The stamp of the next change at `now`: the counter goes up by one when
    // the seconds stay the same, else it is kept.
    QdbDbTime next(std::time_t now) const;

    // Reads "<secs hex>\x01<coll hex>\x01..." into this stamp: the seconds up
    // to the first 0x01 (or the end), the counter up to the next one (or the
    // end). The position after the second 0x01, or null when there is none.
    // A null text gives {0, 0}.
    const char* rebuildFrom(const char* text);
    // Strict reading for received records: both numbers present, hexadecimal,
    // at most 8 digits, each ended by 0x01. The position after the second
    // 0x01, or null (the stamp unchanged) when the text is not that.
    const char* parseStrict(const char* text);

    // The text form in a buffer of the calling thread (valid until its next
    // call on this thread).
    operator const char*() const;
    // The local time of the seconds ("Thu Dec 10 18:30:00 2026.", or
    // "Invalid Time Value: 0x%x.") and " Collisions in TimeStamp: %d.", in a
    // buffer of the calling thread.
    const char* desc() const;
};
static_assert(sizeof(QdbDbTime) == 8);
