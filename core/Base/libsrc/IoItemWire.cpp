// The binary form of the item classes whose bodies are not field lists. A
// cell carries its car and then its cdr, an opaque holder its held value,
// each as an element: an empty element is the code 0 (a code no class has),
// any other element is the item's own form (its class code and body), with
// no length word.
//
// A list's cells follow each other along the cdr: they are written and read
// in a loop, so a list of any length takes constant stack space; elements
// nested in a car or a holder are followed at most IoItem::MaxListDepth deep.
#include "BasePktCtrl.h"
#include "ClassEncoding.h"
#include "FuncInfo.h"
#include "IoCons.h"
#include "IoLocal.h"
#include "NestingGuard.h"
#include "RegisterClass.h"
#include "SpclSerialInt.h"

#define MXR_WIRE_FRAME(func, parms) MXR_FRAME("IoItemWire", (func), (parms), "IoItemWire.c")

namespace {

// Elements being written or read on this thread, one level per nested element.
constinit thread_local int elementDepth __attribute__((tls_model("initial-exec"))) = 0;

int PutCode(BasePktCtrl& c, int code) {
    SpclSerialInt n(static_cast<unsigned long>(code));
    return _serialize(c, n);
}

int WriteElement(BasePktCtrl& c, const BasePtr& element) {
    MXR_WIRE_FRAME("WriteElement", 2);
    BaseVirtItem* item = element.GetPtr();
    if (item == nullptr) return PutCode(c, 0);
    if (!item->IsOfType(IoItem::ClassCode)) return 1;
    NestingGuard level(elementDepth);
    if (level.Beyond(IoItem::MaxListDepth)) return 1;
    return item->Serialize(c);
}

int ReadElement(BasePktCtrl& c, BasePtr& element) {
    MXR_WIRE_FRAME("ReadElement", 2);
    const int start = c.GetOffset();
    SpclSerialInt code;
    if (int rc = _serialize(c, code)) return rc;
    if (code.value == 0) {  // written empty
        element = BasePtr();
        return 0;
    }
    // Only items: checked before the factory runs.
    RegisterClass* rec = code.value > 0x7fffffffUL ? nullptr
                                                   : RegisterClass::GetDecodableEntry(static_cast<int>(code.value),
                                                                                     IoItem::ClassCode, MxrDecodePlace::Field);
    if (rec == nullptr) return 1;
    BasePtr made(rec->GetNewFuncPtr()());
    if (made.GetPtr() == nullptr) return 1;
    NestingGuard level(elementDepth);
    if (level.Beyond(IoItem::MaxListDepth)) return 1;
    c.SetOffset(start);
    if (int rc = made->Serialize(c)) return rc;
    element = made;
    return 0;
}

}  // namespace

int _serialize(BasePktCtrl& c, IoCons& v) {
    MXR_FRAME("IoCons", "_serialize", 2, "IoCons.c");
    // A cdr that is itself a cell continues the loop in place of its own
    // slot 1: its class code, then its car and cdr, the same bytes.
    if (c.GetDirection() == BasePktCtrl::INTOPKT) {
        for (IoCons* cell = &v;;) {
            if (int rc = WriteElement(c, cell->car)) return rc;
            BaseVirtItem* rest = cell->cdr.GetPtr();
            if (rest == nullptr || rest->GetTypeId() != IoCons::ClassCode) return WriteElement(c, cell->cdr);
            if (int rc = PutCode(c, IoCons::ClassCode)) return rc;
            cell = static_cast<IoCons*>(rest);
        }
    }
    if (c.GetDirection() != BasePktCtrl::OUTOFPKT) return -1;
    for (IoCons* cell = &v;;) {
        if (int rc = ReadElement(c, cell->car)) return rc;
        const int start = c.GetOffset();
        SpclSerialInt code;
        if (int rc = _serialize(c, code)) return rc;
        if (code.value != static_cast<unsigned long>(IoCons::ClassCode)) {
            c.SetOffset(start);
            return ReadElement(c, cell->cdr);
        }
        IoCons* next = new IoCons();
        cell->cdr = IoItemPtr(next);
        cell = next;
    }
}

int _serialize(BasePktCtrl& c, IoLocal& v) {
    MXR_FRAME("IoLocal", "_serialize", 2, "IoLocal.c");
    if (c.GetDirection() == BasePktCtrl::INTOPKT) return WriteElement(c, v.heldVal);
    if (c.GetDirection() != BasePktCtrl::OUTOFPKT) return -1;
    return ReadElement(c, v.heldVal);
}
