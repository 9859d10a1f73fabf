#include "IoIdent.h"

#include <ostream>
#include <utility>

#include "ClassDefine.h"

MXR_CLASS_DEFINE(IoIdent);

IoIdent::IoIdent() { MXR_METHOD_FRAME("IoIdent", 0); }

IoIdent::IoIdent(const char* text) : value(text) { MXR_METHOD_FRAME("IoIdent", 1); }

IoIdent::IoIdent(const bStr& text) : value(text) { MXR_METHOD_FRAME("IoIdent", 1); }

IoIdent::~IoIdent() { MXR_METHOD_FRAME("~IoIdent", 0); }

bStr IoIdent::GetValue() const {
    MXR_METHOD_FRAME("GetValue", 0);
    return value;
}

void IoIdent::SetValue(bStr text) {
    MXR_METHOD_FRAME("SetValue", 1);
    value = std::move(text);
}

std::ostream& IoIdent::Display(std::ostream& os, int indent) {
    MXR_METHOD_FRAME("Display", 2);
    static_cast<void>(indent);
    return os << value;
}
