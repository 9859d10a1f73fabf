#include "QdbDbTime.h"

#include <cstdio>

std::string QdbDbTime::text() const {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%x\x01%x", static_cast<unsigned>(secs), static_cast<unsigned>(coll));
    return buf;
}
