// The interface of an enumeration converter (abstract): value -> name when
// an object is turned into its item tree, name -> value when it is read back,
// and a cursor for walking all names:
//   for (cvt->First(); !cvt->Eol(); cvt->Next()) use(cvt->GetString());
// A converter carries nothing in either encoding.
#pragma once

#include "ClassPattern.h"
#include "bStr.h"

class BaseEnumCvt : public BaseVirtItem {
    MXR_ABSTRACT_CLASS(BaseEnumCvt, BaseVirtItem);
    MXR_FIELDS();

protected:
    BaseEnumCvt();

public:
    ~BaseEnumCvt() override;

    // slot 7: cursor on the first row.
    virtual void First() = 0;
    // slot 8: cursor one row on; it stops at the end.
    virtual void Next() = 0;
    // slot 9: 1 when the cursor is past the last row.
    virtual int Eol() = 0;
    // slot 10: the name of the row under the cursor; empty at the end.
    virtual bStr GetString() = 0;
    // slot 11: value of name (exact, case-sensitive): 0 found, 1 not found
    // (value unchanged).
    virtual int GetValue(int& value, const bStr& name) = 0;
    // slot 12: value of the row under the cursor: 0, or 1 at the end.
    virtual int GetValue(int& value) = 0;
    // slot 13: name of value (the first row that has it); empty when none.
    virtual bStr GetStr(int value) = 0;
    // slot 14: the cursor's row number.
    virtual int GetIndex() = 0;
};
MXR_COMPANION_PTR(BaseEnumCvt);
