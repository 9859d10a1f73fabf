#include "IoInt.h"

#include <cstdint>
#include <ostream>

#include "ClassDefine.h"

static_assert(sizeof(unsigned int) == 4, "an IoInt holds exactly 32 bits");

MXR_CLASS_DEFINE(IoInt);

IoInt::IoInt() : value(0) { MXR_METHOD_FRAME("IoInt", 0); }

IoInt::IoInt(unsigned long v) : value(static_cast<std::uint32_t>(v)) { MXR_METHOD_FRAME("IoInt", 1); }

IoInt::~IoInt() { MXR_METHOD_FRAME("~IoInt", 0); }

unsigned long IoInt::GetValue() const {
    MXR_METHOD_FRAME("GetValue", 0);
    return value;
}

void IoInt::SetValue(unsigned long v) {
    MXR_METHOD_FRAME("SetValue", 1);
    value = static_cast<std::uint32_t>(v);
}

std::ostream& IoInt::Display(std::ostream& os, int indent) {
    MXR_METHOD_FRAME("Display", 2);
    static_cast<void>(indent);
    return os << std::dec << value;
}
