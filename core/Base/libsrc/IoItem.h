// The root of the s-expression items (abstract). An object's item tree is
// built by its slot 2 and read by its slot 3; items print themselves as
// indented, parenthesised text (slot 7) and look a named field up in a field
// list (slot 9). Test for the empty list by class code, never by identity.
#pragma once

#include <iosfwd>

#include "ClassPattern.h"
#include "ObjectDepth.h"

class IoItem : public BaseVirtItem {
    MXR_ABSTRACT_CLASS(IoItem, BaseVirtItem);
    MXR_FIELDS();

protected:
    IoItem();

public:
    ~IoItem() override;

    // Nesting limits. Object conversion (object -> tree and tree -> object)
    // follows pointer fields at most MaxObjectDepth objects deep, the bound
    // of the binary wire form; printing and the binary item form follow
    // nested lists at most MaxListDepth deep. Lists are followed along their
    // rest without recursion, at any length.
    static constexpr int MaxObjectDepth = MxrMaxObjectDepth;
    static constexpr int MaxListDepth = 1024;

    // slot 7: prints the item; indent is the depth in tabs of its lines.
    virtual std::ostream& Display(std::ostream& os, int indent) = 0;
    // slot 8: prints the item as a later element of a list: newline, indent
    // tabs, then Display(os, indent).
    virtual std::ostream& DisplayRest(std::ostream& os, int indent);
    // slot 9: the value tree of the field name in a field list; null when the
    // list lacks it; the shared empty list for anything that is not a list.
    virtual IoItemPtr Assoc(const char* name);

    std::ostream& Display(std::ostream& os);

    // p's target as an item, or null when p is null or holds a non-item.
    static IoItem* AsItem(const BasePtr& p);
    // 1 when p holds an item of class code (or a class derived from it).
    static int IsItemOf(const BasePtr& p, int classCode);
};
MXR_COMPANION_PTR(IoItem);
