#include "IoItem.h"

#include <ostream>

#include "ClassDefine.h"
#include "IoNull.h"

MXR_ABSTRACT_CLASS_DEFINE(IoItem);

IoItem::IoItem() { MXR_METHOD_FRAME("IoItem", 0); }

IoItem::~IoItem() { MXR_METHOD_FRAME("~IoItem", 0); }

std::ostream& IoItem::DisplayRest(std::ostream& os, int indent) {
    MXR_METHOD_FRAME("DisplayRest", 2);
    os << '\n';
    for (int i = 0; i < indent; ++i) os << '\t';
    return Display(os, indent);
}

IoItemPtr IoItem::Assoc(const char* name) {
    MXR_METHOD_FRAME("Assoc", 1);
    static_cast<void>(name);
    return IoNull::GetGlobalIoNullPtr();
}

std::ostream& IoItem::Display(std::ostream& os) {
    MXR_METHOD_FRAME("Display", 1);
    return Display(os, 0);
}

IoItem* IoItem::AsItem(const BasePtr& p) {
    MXR_FRAME("IoItem", "AsItem", 1, "IoItem.c");
    BaseVirtItem* target = p.GetPtr();
    return target != nullptr && target->IsOfType(IoItem::ClassCode) ? static_cast<IoItem*>(target) : nullptr;
}

int IoItem::IsItemOf(const BasePtr& p, int classCode) {
    MXR_FRAME("IoItem", "IsItemOf", 2, "IoItem.c");
    IoItem* item = AsItem(p);
    return item != nullptr && item->IsOfType(classCode) ? 1 : 0;
}
