#include "BaseVirtItem.h"

#include <new>

#include "ClassDefine.h"
#include "ClassEncoding.h"
#include "FuncInfo.h"
#include "IoNull.h"
#include "BlockPool.h"
#include "ClassCodes.h"
#include "RegisterClass.h"

int BaseVirtItem::ClassCode = MxrClassTable::BaseVirtItem.code;

BaseVirtItem::BaseVirtItem(const BaseVirtItem&) : RefCnt(0) { MXR_METHOD_FRAME("BaseVirtItem", 1); }

BaseVirtItem& BaseVirtItem::operator=(const BaseVirtItem&) {
    // The count belongs to the holders of this object, not to its value.
    MXR_METHOD_FRAME("operator=", 1);
    return *this;
}

// The root has no fields: slot 1 moves the class code only.
int BaseVirtItem::Serialize(BasePktCtrl& c) {
    MXR_METHOD_FRAME("Serialize", 1);
    return MxrSerializeObject(c, *this);
}

IoItemPtr BaseVirtItem::GetIoItemFrom() const {
    MXR_METHOD_FRAME("GetIoItemFrom", 0);
    return MxrIoItemOfObject(*this);
}

int BaseVirtItem::SetFromIoItem(const IoItemPtr& i) {
    MXR_METHOD_FRAME("SetFromIoItem", 1);
    return MxrSetObjectFromIoItem(i, *this);
}

int BaseVirtItem::GetTypeId() const {
    MXR_METHOD_FRAME("GetTypeId", 0);
    return ClassCode;
}

int BaseVirtItem::IsOfType(int id) const {
    MXR_METHOD_FRAME("IsOfType", 1);
    return id == ClassCode ? 1 : 0;
}

const char* BaseVirtItem::GetClassName() const {
    MXR_METHOD_FRAME("GetClassName", 0);
    return MxrNames::cls;
}

void BaseVirtItem::SetRefCnt(int cnt) {
    MXR_METHOD_FRAME("SetRefCnt", 1);
    RefCnt.store(cnt, std::memory_order_relaxed);
}

BaseVirtItem* BaseVirtItem::GetNewBaseVirtItemClass() {
    MXR_METHOD_FRAME("GetNewBaseVirtItemClass", 0);
    return new (std::nothrow) BaseVirtItem();
}

int _serialize(BasePktCtrl& c, BaseVirtItem& v) {
    MXR_FRAME("BaseVirtItem", "_serialize", 2, "BaseVirtItem.c");
    static_cast<void>(c);
    static_cast<void>(v);
    return 0;
}

IoItemPtr GetIoItemFrom(const BaseVirtItem& v) {
    MXR_FRAME("BaseVirtItem", "GetIoItemFrom", 1, "BaseVirtItem.c");
    static_cast<void>(v);
    // The root has no fields: the empty field list.
    return IoNull::GetGlobalIoNullPtr();
}

int SetFromIoItem(const IoItemPtr& i, BaseVirtItem& v) {
    MXR_FRAME("BaseVirtItem", "SetFromIoItem", 2, "BaseVirtItem.c");
    static_cast<void>(i);
    static_cast<void>(v);
    return 0;
}

namespace {
RegisterClass mxrRegisterBaseVirtItem(BaseVirtItem::MxrNames::cls, BaseVirtItem::ClassCode,
                                      &BaseVirtItem::GetNewBaseVirtItemClass, MxrClassTable::BaseVirtItem.kind,
                                      &BaseVirtItem::MxrIsClassOrBase);
}

#if defined(__SANITIZE_ADDRESS__)
void* BaseVirtItem::operator new(std::size_t size) { return ::operator new(size); }
void* BaseVirtItem::operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return ::operator new(size, std::nothrow);
}
void BaseVirtItem::operator delete(void* block, std::size_t size) noexcept { ::operator delete(block, size); }
#else
void* BaseVirtItem::operator new(std::size_t size) {
    if (void* p = BlockPool::Take(size)) return p;
    throw std::bad_alloc();
}
void* BaseVirtItem::operator new(std::size_t size, const std::nothrow_t&) noexcept { return BlockPool::Take(size); }
void BaseVirtItem::operator delete(void* block, std::size_t size) noexcept { BlockPool::Give(block, size); }
#endif
