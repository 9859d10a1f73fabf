// A list cell: car is the head of a list, cdr its rest. A list is a chain of
// cells ended by an IoNull; a cell whose cdr is neither prints as (a . b).
// Long chains are printed, searched and released along the cdr without
// recursion; nested lists are released without recursion too.
#pragma once

#include "IoItem.h"

class IoCons : public IoItem {
    MXR_CLASS(IoCons, IoItem);
    MXR_FIELDS();

public:
    IoCons();                              // car and cdr null (for reading)
    explicit IoCons(IoItemPtr car);        // the one-element list (car)
    IoCons(IoItemPtr car, IoItemPtr cdr);
    ~IoCons() override;

    IoItemPtr GetCar() const;
    void SetCar(IoItemPtr car);
    IoItemPtr GetCdr() const;
    void SetCdr(IoItemPtr cdr);

    using IoItem::Display;
    std::ostream& Display(std::ostream& os, int indent) override;
    std::ostream& DisplayRest(std::ostream& os, int indent) override;
    // The value tree of the first element (name . value) whose name is an
    // identifier equal to name (byte by byte); null when there is none.
    IoItemPtr Assoc(const char* name) override;

    // Appends elem to the proper list in list; an empty list (null or an
    // IoNull, never changed) is replaced by the one-element list (elem).
    static void Append(IoItemPtr& list, const IoItemPtr& elem);
    // Lets go of what slot holds. Cells and opaque holders that die with it
    // are taken apart in a loop, so a tree of any depth or length is released
    // in constant stack space.
    static void ReleaseTree(BasePtr& slot);

private:
    static IoCons* TakeDyingCell(BaseVirtItem* item);

    IoItemPtr car;
    IoItemPtr cdr;
};
MXR_COMPANION_PTR(IoCons);
