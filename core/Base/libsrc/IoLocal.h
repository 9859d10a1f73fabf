// An opaque holder: keeps an item tree (for instance the tree of an object
// whose class this process does not know) and prints as that tree.
#pragma once

#include "IoItem.h"

class IoLocal : public IoItem {
    MXR_CLASS(IoLocal, IoItem);
    MXR_FIELDS();

public:
    IoLocal();
    explicit IoLocal(IoItemPtr held);
    ~IoLocal() override;

    IoItemPtr GetHeldVal() const;
    void SetHeldVal(IoItemPtr held);

    using IoItem::Display;
    // The held item with the same indent; nothing when nothing is held.
    std::ostream& Display(std::ostream& os, int indent) override;

private:
    IoItemPtr heldVal;
};
MXR_COMPANION_PTR(IoLocal);
