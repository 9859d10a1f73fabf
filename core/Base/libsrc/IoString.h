// A string atom: prints its text between double quotes, every byte through
// the escape table (printable ASCII as itself except the tilde, the usual
// backslash escapes, everything else as a backslash and three octal digits).
#pragma once

#include <atomic>

#include "IoAtom.h"
#include "bStr.h"

class IoString : public IoAtom {
    MXR_CLASS(IoString, IoAtom);
    MXR_FIELDS(MXR_FIELD("value", value));

public:
    IoString();
    IoString(const char* text);
    IoString(const bStr& text);
    ~IoString() override;

    bStr GetValue() const;
    void SetValue(bStr text);

    using IoAtom::Display;
    std::ostream& Display(std::ostream& os, int indent) override;

    // The escape table, indexed by the unsigned value of a byte: each row is
    // the byte's printed form, terminated. Filled once, on the first call,
    // safely when several threads make that call at once.
    static const char (&GetCharCvtTbl())[256][5];

private:
    static void FillCharCvtTbl();

    static char charCvtTbl[256][5];
    // 1 once the table is filled.
    static std::atomic<int> charCvtTblInit;

    bStr value;
};
MXR_COMPANION_PTR(IoString);
