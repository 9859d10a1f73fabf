// One row of an enumeration table: a value and its name (the enumerator's
// name in capitals). A table lists exactly the named values of its
// enumeration, in any order.
#pragma once

struct EnumCvtEnt {
    int value;
    const char* name;
};
