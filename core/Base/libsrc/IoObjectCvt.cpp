#include "IoObjectCvt.h"

#include <new>

#include "FuncInfo.h"
#include "IoCons.h"
#include "IoIdent.h"
#include "IoLocal.h"
#include "IoNull.h"
#include "NestingGuard.h"
#include "RegisterClass.h"

#define MXR_OBJ_FRAME(func, parms) MXR_FRAME("IoObjectCvt", (func), (parms), "IoObjectCvt.c")

namespace {

// Objects being converted on this thread, one level per pointer followed.
thread_local int toTreeDepth = 0;
thread_local int fromTreeDepth = 0;

}  // namespace

IoItemPtr GetIoItemFrom(const BasePtr& p) {
    MXR_OBJ_FRAME("GetIoItemFrom", 1);
    BaseVirtItem* obj = p.GetPtr();
    if (obj == nullptr) return IoNull::GetGlobalIoNullPtr();
    NestingGuard level(toTreeDepth);
    if (level.Beyond(IoItem::MaxObjectDepth)) return MxrObjectTree(obj->GetClassName(), IoItemPtr());
    if (obj->GetTypeId() == IoLocal::ClassCode) {
        // The held value is whatever the holder was given: call it as an object.
        BasePtr held = static_cast<IoLocal*>(obj)->GetHeldVal();
        if (held.GetPtr() != nullptr) return held->GetIoItemFrom();
    }
    return obj->GetIoItemFrom();
}

int SetFromIoItem(const IoItemPtr& i, BasePtr& p) {
    MXR_OBJ_FRAME("SetFromIoItem", 2);
    return MxrSetPointerFromIoItem(i, p, BaseVirtItem::ClassCode);
}

int MxrSetPointerFromIoItem(const IoItemPtr& i, BasePtr& p, int declaredType, MxrDecodePlace place) {
    MXR_OBJ_FRAME("MxrSetPointerFromIoItem", 3);
    if (i.GetRefPtr() == nullptr) return 1;
    if (IoNull::IsNull(i)) {
        p = BasePtr();
        return 0;
    }
    if (!IoItem::IsItemOf(i, IoCons::ClassCode)) return 1;
    IoCons* tree = static_cast<IoCons*>(i.GetPtr());
    IoItemPtr head = tree->GetCar();
    if (!IoItem::IsItemOf(head, IoIdent::ClassCode)) return 1;
    // The message at the top of a stream is no level, as in the binary
    // form: its fields are the first.
    NestingGuard level(fromTreeDepth, place == MxrDecodePlace::TopOfMessage ? 0 : 1);
    if (level.Beyond(IoItem::MaxObjectDepth)) return 1;

    bStr className = static_cast<IoIdent*>(head.GetPtr())->GetValue();
    RegisterClass* rec = RegisterClass::GetRegisterClassEntryFromName(className.StrVal());
    // A class this process has but that may not be built here (local-only,
    // or not what the field declares) is refused before it is constructed.
    if (rec != nullptr && !rec->IsDecodableAs(declaredType, place)) return 1;
    if (rec == nullptr) {
        if (place == MxrDecodePlace::TopOfMessage) return 1;
        IoLocal* local = new (std::nothrow) IoLocal(i);
        if (local == nullptr) return 1;
        p = BasePtr(local);
        return 0;
    }
    BasePtr made(rec->GetNewFuncPtr()());
    if (made.GetPtr() == nullptr) return 1;
    int rc = made->SetFromIoItem(tree->GetCdr());
    if (rc == 0) p = made;
    return rc;
}

IoItemPtr MxrObjectTree(const char* className, const IoItemPtr& fields) {
    MXR_OBJ_FRAME("MxrObjectTree", 2);
    IoItemPtr rest = fields.GetRefPtr() != nullptr ? fields : IoItemPtr(IoNull::GetGlobalIoNullPtr());
    return IoItemPtr(new IoCons(IoItemPtr(new IoIdent(className)), rest));
}

IoItemPtr MxrFieldOf(const IoItemPtr& fields, const char* key) {
    MXR_OBJ_FRAME("MxrFieldOf", 2);
    IoItem* list = IoItem::AsItem(fields);
    if (list == nullptr) return IoItemPtr();
    return list->Assoc(key);
}
