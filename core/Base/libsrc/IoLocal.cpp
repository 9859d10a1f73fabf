#include "IoLocal.h"

#include <ostream>
#include <utility>

#include "ClassDefine.h"
#include "IoCons.h"
#include "NestingGuard.h"

MXR_CLASS_DEFINE_CUSTOM(IoLocal);

namespace {
// Holders being printed on this thread: a holder adds no indent, so chains
// of holders are bounded apart from the lists.
thread_local int displayDepth = 0;
}  // namespace

IoLocal::IoLocal() { MXR_METHOD_FRAME("IoLocal", 0); }

IoLocal::IoLocal(IoItemPtr held) : heldVal(std::move(held)) { MXR_METHOD_FRAME("IoLocal", 1); }

IoLocal::~IoLocal() {
    MXR_METHOD_FRAME("~IoLocal", 0);
    IoCons::ReleaseTree(heldVal);
}

IoItemPtr IoLocal::GetHeldVal() const {
    MXR_METHOD_FRAME("GetHeldVal", 0);
    return heldVal;
}

void IoLocal::SetHeldVal(IoItemPtr held) {
    MXR_METHOD_FRAME("SetHeldVal", 1);
    heldVal = held;
}

std::ostream& IoLocal::Display(std::ostream& os, int indent) {
    MXR_METHOD_FRAME("Display", 2);
    NestingGuard level(displayDepth);
    if (level.Beyond(MaxListDepth)) return os << "...";
    if (IoItem* held = AsItem(heldVal)) held->Display(os, indent);
    return os;
}

// A holder shows only its class name, (IoLocal), and reads nothing.
IoItemPtr GetIoItemFrom(const IoLocal& v) {
    MXR_FRAME("IoLocal", "GetIoItemFrom", 1, "IoLocal.c");
    return GetIoItemFrom(static_cast<const IoItem&>(v));
}

int SetFromIoItem(const IoItemPtr& i, IoLocal& v) {
    MXR_FRAME("IoLocal", "SetFromIoItem", 2, "IoLocal.c");
    return SetFromIoItem(i, static_cast<IoItem&>(v));
}
