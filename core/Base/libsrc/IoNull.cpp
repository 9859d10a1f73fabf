#include "IoNull.h"

#include <ostream>

#include "ClassDefine.h"

MXR_CLASS_DEFINE(IoNull);

namespace {
// Made right after the class's registration, so the shared list exists from
// load; released at exit (its holders keep it alive as long as they need it).
const bool globalIoNullMade = IoNull::GetGlobalIoNullPtr().GetPtr() != nullptr;
}  // namespace

IoNull::IoNull() { MXR_METHOD_FRAME("IoNull", 0); }

IoNull::~IoNull() { MXR_METHOD_FRAME("~IoNull", 0); }

std::ostream& IoNull::Display(std::ostream& os, int indent) {
    MXR_METHOD_FRAME("Display", 2);
    static_cast<void>(indent);
    return os << "()";
}

IoNullPtr& IoNull::GetGlobalIoNullPtr() {
    MXR_FRAME("IoNull", "GetGlobalIoNullPtr", 0, "IoNull.c");
    static IoNullPtr global(new IoNull());
    return global;
}

int IoNull::IsNull(const BasePtr& p) {
    MXR_FRAME("IoNull", "IsNull", 1, "IoNull.c");
    return IoItem::IsItemOf(p, IoNull::ClassCode);
}
