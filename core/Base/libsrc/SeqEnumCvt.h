// The enumeration converter of the library: searches its table row by row.
// It points at the owning class's static table and never owns or frees it;
// each getter call makes a new converter with its own cursor. Its fields
// never leave the process: both encodings carry its class name or code only.
#pragma once

#include "BaseEnumCvt.h"
#include "EnumCvtEnt.h"

class SeqEnumCvt;
MXR_COMPANION_PTR(SeqEnumCvt);

class SeqEnumCvt : public BaseEnumCvt {
    MXR_LOCAL_CLASS(SeqEnumCvt, BaseEnumCvt);
    MXR_FIELDS();

public:
    SeqEnumCvt();  // no table (for the factory)
    SeqEnumCvt(const EnumCvtEnt* table, int size);
    ~SeqEnumCvt() override;

    // A new converter over table, counted; empty when memory is short.
    static SeqEnumCvtPtr Create(const EnumCvtEnt* table, int size);

    const EnumCvtEnt* GetEnumCvtTbl() const;
    void SetEnumCvtTbl(const EnumCvtEnt* table);
    int GetEnumCvtTblSz() const;
    void SetEnumCvtTblSz(int size);
    // Stores the cursor as it is; a cursor outside the table reads as the end.
    void SetIndex(int index);

    void First() override;
    void Next() override;
    int Eol() override;
    bStr GetString() override;
    int GetValue(int& value, const bStr& name) override;
    int GetValue(int& value) override;
    bStr GetStr(int value) override;
    int GetIndex() override;

private:
    const EnumCvtEnt* enumCvtTbl;
    int enumCvtTblSz;
    int index;
};
