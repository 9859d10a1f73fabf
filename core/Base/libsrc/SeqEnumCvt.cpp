#include "SeqEnumCvt.h"

#include <cstring>
#include <new>

#include "ClassDefine.h"

MXR_LOCAL_CLASS_DEFINE(SeqEnumCvt);

SeqEnumCvt::SeqEnumCvt() : enumCvtTbl(nullptr), enumCvtTblSz(0), index(0) { MXR_METHOD_FRAME("SeqEnumCvt", 0); }

SeqEnumCvt::SeqEnumCvt(const EnumCvtEnt* table, int size) : enumCvtTbl(table), enumCvtTblSz(size), index(0) {
    MXR_METHOD_FRAME("SeqEnumCvt", 2);
}

SeqEnumCvt::~SeqEnumCvt() { MXR_METHOD_FRAME("~SeqEnumCvt", 0); }

SeqEnumCvtPtr SeqEnumCvt::Create(const EnumCvtEnt* table, int size) {
    MXR_FRAME("SeqEnumCvt", "Create", 2, "SeqEnumCvt.c");
    return SeqEnumCvtPtr(new (std::nothrow) SeqEnumCvt(table, size));
}

const EnumCvtEnt* SeqEnumCvt::GetEnumCvtTbl() const {
    MXR_METHOD_FRAME("GetEnumCvtTbl", 0);
    return enumCvtTbl;
}

void SeqEnumCvt::SetEnumCvtTbl(const EnumCvtEnt* table) {
    MXR_METHOD_FRAME("SetEnumCvtTbl", 1);
    enumCvtTbl = table;
}

int SeqEnumCvt::GetEnumCvtTblSz() const {
    MXR_METHOD_FRAME("GetEnumCvtTblSz", 0);
    return enumCvtTblSz;
}

void SeqEnumCvt::SetEnumCvtTblSz(int size) {
    MXR_METHOD_FRAME("SetEnumCvtTblSz", 1);
    enumCvtTblSz = size;
}

void SeqEnumCvt::SetIndex(int index_) {
    MXR_METHOD_FRAME("SetIndex", 1);
    index = index_;
}

void SeqEnumCvt::First() {
    MXR_METHOD_FRAME("First", 0);
    index = 0;
}

void SeqEnumCvt::Next() {
    MXR_METHOD_FRAME("Next", 0);
    if (index >= 0 && index < enumCvtTblSz) ++index;
}

int SeqEnumCvt::Eol() {
    MXR_METHOD_FRAME("Eol", 0);
    // A cursor before the first row (only SetIndex makes one) reads as the
    // end too, so no row outside the table is ever touched.
    return index < 0 || index >= enumCvtTblSz || enumCvtTbl == nullptr ? 1 : 0;
}

bStr SeqEnumCvt::GetString() {
    MXR_METHOD_FRAME("GetString", 0);
    return Eol() == 0 ? bStr(enumCvtTbl[index].name) : bStr();
}

int SeqEnumCvt::GetValue(int& value, const bStr& name) {
    MXR_METHOD_FRAME("GetValue", 2);
    for (int i = 0; enumCvtTbl != nullptr && i < enumCvtTblSz; ++i) {
        const char* rowName = enumCvtTbl[i].name != nullptr ? enumCvtTbl[i].name : "";
        if (std::strcmp(rowName, name.StrVal()) == 0) {
            value = enumCvtTbl[i].value;
            return 0;
        }
    }
    return 1;
}

int SeqEnumCvt::GetValue(int& value) {
    MXR_METHOD_FRAME("GetValue", 1);
    if (Eol() != 0) return 1;
    value = enumCvtTbl[index].value;
    return 0;
}

bStr SeqEnumCvt::GetStr(int value) {
    MXR_METHOD_FRAME("GetStr", 1);
    for (int i = 0; enumCvtTbl != nullptr && i < enumCvtTblSz; ++i)
        if (enumCvtTbl[i].value == value) return bStr(enumCvtTbl[i].name);
    return bStr();
}

int SeqEnumCvt::GetIndex() {
    MXR_METHOD_FRAME("GetIndex", 0);
    return index;
}
