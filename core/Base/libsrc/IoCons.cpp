#include "IoCons.h"

#include <cstring>
#include <ostream>
#include <utility>

#include "ClassDefine.h"
#include "IoAtom.h"
#include "IoIdent.h"
#include "IoLocal.h"
#include "IoNull.h"
#include "NestingGuard.h"

MXR_CLASS_DEFINE_CUSTOM(IoCons);

namespace {

// Lists being printed on this thread, one level per nested list.
thread_local int displayDepth = 0;

void Tabs(std::ostream& os, int indent) {
    for (int i = 0; i < indent; ++i) os << '\t';
}

}  // namespace

IoCons::IoCons() { MXR_METHOD_FRAME("IoCons", 0); }

IoCons::IoCons(IoItemPtr car_) : car(std::move(car_)), cdr(IoNull::GetGlobalIoNullPtr()) {
    MXR_METHOD_FRAME("IoCons", 1);
}

IoCons::IoCons(IoItemPtr car_, IoItemPtr cdr_) : car(std::move(car_)), cdr(std::move(cdr_)) {
    MXR_METHOD_FRAME("IoCons", 2);
}

IoCons::~IoCons() {
    MXR_METHOD_FRAME("~IoCons", 0);
    ReleaseTree(car);
    ReleaseTree(cdr);
}

IoItemPtr IoCons::GetCar() const {
    MXR_METHOD_FRAME("GetCar", 0);
    return car;
}

void IoCons::SetCar(IoItemPtr car_) {
    MXR_METHOD_FRAME("SetCar", 1);
    car = car_;
}

IoItemPtr IoCons::GetCdr() const {
    MXR_METHOD_FRAME("GetCdr", 0);
    return cdr;
}

void IoCons::SetCdr(IoItemPtr cdr_) {
    MXR_METHOD_FRAME("SetCdr", 1);
    cdr = cdr_;
}

std::ostream& IoCons::Display(std::ostream& os, int indent) {
    MXR_METHOD_FRAME("Display", 2);
    NestingGuard level(displayDepth);
    if (level.Beyond(MaxListDepth)) return os << "...";
    os << '(';
    if (IoItem* head = AsItem(car)) head->Display(os, indent + 1);
    IoItem* rest = AsItem(cdr);
    if (rest != nullptr && !rest->IsOfType(IoNull::ClassCode)) {
        if (rest->IsOfType(IoCons::ClassCode)) {
            rest->DisplayRest(os, indent + 1);
        } else {
            os << " . ";
            rest->Display(os, indent + 1);
        }
    }
    return os << ')';
}

std::ostream& IoCons::DisplayRest(std::ostream& os, int indent) {
    MXR_METHOD_FRAME("DisplayRest", 2);
    // One cell after another along the cdr: a list of any length prints in
    // constant stack space.
    for (IoCons* cell = this;;) {
        IoItem* head = AsItem(cell->car);
        if (head == nullptr || head->IsOfType(IoAtom::ClassCode)) {
            os << ' ';
        } else {
            os << '\n';
            Tabs(os, indent);
        }
        if (head != nullptr) head->Display(os, indent);
        IoItem* rest = AsItem(cell->cdr);
        if (rest == nullptr || rest->IsOfType(IoNull::ClassCode)) break;
        if (rest->IsOfType(IoCons::ClassCode)) {
            cell = static_cast<IoCons*>(rest);
            continue;
        }
        os << " . ";
        rest->Display(os, indent + 1);
        break;
    }
    return os;
}

IoItemPtr IoCons::Assoc(const char* name) {
    MXR_METHOD_FRAME("Assoc", 1);
    if (name == nullptr) name = "";
    for (IoItem* cell = this; cell != nullptr && cell->IsOfType(IoCons::ClassCode);
         cell = AsItem(static_cast<IoCons*>(cell)->cdr)) {
        IoItem* element = AsItem(static_cast<IoCons*>(cell)->car);
        if (element == nullptr || !element->IsOfType(IoCons::ClassCode)) continue;
        IoCons* pair = static_cast<IoCons*>(element);
        IoItem* key = AsItem(pair->car);
        if (key == nullptr || !key->IsOfType(IoIdent::ClassCode)) continue;
        if (std::strcmp(static_cast<IoIdent*>(key)->GetValue().StrVal(), name) == 0) return pair->cdr;
    }
    return IoItemPtr();
}

void IoCons::Append(IoItemPtr& list, const IoItemPtr& elem) {
    MXR_FRAME("IoCons", "Append", 2, "IoCons.c");
    IoItemPtr cell(new IoCons(elem));
    if (!IsItemOf(list, IoCons::ClassCode)) {
        list = cell;
        return;
    }
    IoCons* last = static_cast<IoCons*>(list.GetPtr());
    while (IsItemOf(last->cdr, IoCons::ClassCode)) last = static_cast<IoCons*>(last->cdr.GetPtr());
    last->cdr = cell;
}

// Takes over the reference that item stands for. An opaque holder that dies
// here hands its held value on in its place; a cell that dies here is
// returned with that reference (the caller takes it apart); anything else is
// let go at once, which frees nothing deeper than one atom.
IoCons* IoCons::TakeDyingCell(BaseVirtItem* item) {
    MXR_FRAME("IoCons", "TakeDyingCell", 1, "IoCons.c");
    BasePtr holder;
    holder.SetRefPtr(item);
    for (;;) {
        BaseVirtItem* x = holder.GetPtr();
        if (x == nullptr || x->GetRefCnt() != 1) return nullptr;
        if (x->GetTypeId() == IoLocal::ClassCode) {
            IoLocal* local = static_cast<IoLocal*>(x);
            BasePtr held = local->GetHeldVal();
            local->SetHeldVal(IoItemPtr());
            holder = held;  // the emptied holder dies here
            continue;
        }
        if (x->GetTypeId() != IoCons::ClassCode) return nullptr;
        holder.SetRefPtr(nullptr);
        return static_cast<IoCons*>(x);
    }
}

void IoCons::ReleaseTree(BasePtr& slot) {
    MXR_FRAME("IoCons", "ReleaseTree", 1, "IoCons.c");
    BaseVirtItem* item = slot.GetRefPtr();
    if (item == nullptr) return;
    slot.SetRefPtr(nullptr);
    // Each raw IoCons* below stands for the one reference that keeps it alive.
    // A dying car is rotated up (the cell becomes the cdr of its car), so the
    // whole remaining tree hangs below cur and no stack of pending work is kept.
    IoCons* cur = TakeDyingCell(item);
    while (cur != nullptr) {
        if (BaseVirtItem* head = cur->car.GetRefPtr()) {
            cur->car.SetRefPtr(nullptr);
            if (IoCons* sub = TakeDyingCell(head)) {
                cur->car.SetRefPtr(sub->cdr.GetRefPtr());
                sub->cdr.SetRefPtr(cur);
                cur = sub;
                continue;
            }
        }
        BaseVirtItem* rest = cur->cdr.GetRefPtr();
        cur->cdr.SetRefPtr(nullptr);
        {
            BasePtr dead;  // the cell is empty now: its destructor frees nothing else
            dead.SetRefPtr(cur);
        }
        cur = rest != nullptr ? TakeDyingCell(rest) : nullptr;
    }
}

// A cell shows only its class name, (IoCons), and reads nothing.
IoItemPtr GetIoItemFrom(const IoCons& v) {
    MXR_FRAME("IoCons", "GetIoItemFrom", 1, "IoCons.c");
    return GetIoItemFrom(static_cast<const IoItem&>(v));
}

int SetFromIoItem(const IoItemPtr& i, IoCons& v) {
    MXR_FRAME("IoCons", "SetFromIoItem", 2, "IoCons.c");
    return SetFromIoItem(i, static_cast<IoItem&>(v));
}
