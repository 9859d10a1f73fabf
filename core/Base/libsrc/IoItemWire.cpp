// The binary form of the item classes whose bodies are not field lists: a
// cell carries its car and its cdr, an opaque holder its held value, each as
// an element: an empty element is the byte 00, any other the item's own form
// (class code and body), with no length word.
//
// A list is followed along its rest in a loop, so a list of any length costs
// no stack; nested lists (a car that is a list, a held value) recurse, at most
// IoItem::MaxListDepth deep, beyond which the form is refused with 1.
#include <cstdint>

#include "ClassEncoding.h"
#include "FuncInfo.h"
#include "IoCons.h"
#include "IoLocal.h"
#include "NestingGuard.h"
#include "RegisterClass.h"

namespace {

// Nested elements being written or read on this thread.
thread_local int elementDepth = 0;

int WriteElement(BasePktCtrl& c, const IoItemPtr& e) {
    NestingGuard level(elementDepth);
    if (level.Beyond(IoItem::MaxListDepth)) return 1;
    // Seen as a plain pointer: the element may hold anything.
    BaseVirtItem* item = static_cast<const BasePtr&>(e).GetPtr();
    if (item == nullptr) {
        SpclSerialInt empty;
        return _serialize(c, empty);
    }
    if (item->IsOfType(IoItem::ClassCode) == 0) return 1;
    return item->Serialize(c);
}

// On success out holds the item read; on failure out is unchanged. An empty
// element (code 0) has no class and cannot be read back: 1.
int ReadElement(BasePktCtrl& c, IoItemPtr& out) {
    NestingGuard level(elementDepth);
    if (level.Beyond(IoItem::MaxListDepth)) return 1;
    const int at = c.GetOffset();
    SpclSerialInt code;
    if (int rc = _serialize(c, code)) return rc;
    RegisterClass* rec = RegisterClass::GetRegisterClassEntryFrmId(static_cast<std::int32_t>(code.value));
    if (rec == nullptr || rec->GetNewFuncPtr() == nullptr) return 1;
    BasePtr obj(rec->GetNewFuncPtr()());
    if (obj.GetPtr() == nullptr || obj->IsOfType(IoItem::ClassCode) == 0) return 1;
    c.SetOffset(at);  // the item reads its own code again
    if (int rc = obj->Serialize(c)) return rc;
    out = obj;
    return 0;
}

// A cdr that is a plain cell is written here, in the loop, exactly as its own
// slot 1 would write it: its code, its car, its cdr.
IoCons* NextCell(const IoItemPtr& cdr) {
    BaseVirtItem* item = static_cast<const BasePtr&>(cdr).GetPtr();
    return item != nullptr && item->GetTypeId() == IoCons::ClassCode ? static_cast<IoCons*>(item) : nullptr;
}

int WriteCells(BasePktCtrl& c, IoCons& first) {
    IoCons* cell = &first;  // each cell is held by the one before it
    for (;;) {
        if (int rc = WriteElement(c, cell->GetCar())) return rc;
        IoItemPtr cdr = cell->GetCdr();
        IoCons* next = NextCell(cdr);
        if (next == nullptr) return WriteElement(c, cdr);
        SpclSerialInt code(static_cast<unsigned long>(IoCons::ClassCode));
        if (int rc = _serialize(c, code)) return rc;
        cell = next;
    }
}

// Reads the cdr of a cell: the cells of the rest of the list are made in a
// loop and hang from a detached head, which becomes the cdr only when all of
// it was read (as each cell's own reading would leave it).
int ReadRest(BasePktCtrl& c, IoItemPtr& rest) {
    IoItemPtr head;
    IoCons* tail = nullptr;
    for (;;) {
        const int at = c.GetOffset();
        SpclSerialInt code;
        if (int rc = _serialize(c, code)) return rc;
        if (code.value != static_cast<std::uint32_t>(IoCons::ClassCode)) {
            c.SetOffset(at);
            IoItemPtr last;
            if (int rc = ReadElement(c, last)) return rc;
            if (tail == nullptr)
                head = last;
            else
                tail->SetCdr(last);
            rest = head;
            return 0;
        }
        IoCons* cell = new IoCons();
        if (tail == nullptr)
            head = cell;
        else
            tail->SetCdr(IoItemPtr(cell));
        tail = cell;
        IoItemPtr car;
        if (int rc = ReadElement(c, car)) return rc;
        cell->SetCar(car);
    }
}

}  // namespace

int _serialize(BasePktCtrl& c, IoCons& v) {
    MXR_FRAME("IoCons", "_serialize", 2, "IoCons.c");
    if (int rc = _serialize(c, static_cast<IoItem&>(v))) return rc;
    if (c.GetDirection() == BasePktCtrl::INTOPKT) return WriteCells(c, v);
    IoItemPtr car;
    if (int rc = ReadElement(c, car)) return rc;
    v.car = car;
    IoItemPtr rest;
    if (int rc = ReadRest(c, rest)) return rc;
    v.cdr = rest;
    return 0;
}

int _serialize(BasePktCtrl& c, IoLocal& v) {
    MXR_FRAME("IoLocal", "_serialize", 2, "IoLocal.c");
    if (int rc = _serialize(c, static_cast<IoItem&>(v))) return rc;
    if (c.GetDirection() == BasePktCtrl::INTOPKT) return WriteElement(c, v.heldVal);
    IoItemPtr held;
    if (int rc = ReadElement(c, held)) return rc;
    v.heldVal = held;
    return 0;
}
