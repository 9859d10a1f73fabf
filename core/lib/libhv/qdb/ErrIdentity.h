// The program identity that set_errinfo records, one per process: what each
// message is prefixed with, which facility its events carry, the default
// flags, and whether the standard streams may be written.
#pragma once

namespace cfgstore {

struct ErrIdentity {
    char label[64] = "no_name";  // base name already taken
    char extra[64] = "";
    int facility = 0;            // 0 until set_errinfo runs
    int defflags = 0x0400;
    bool streams = false;        // standard output and error recorded
};

// A copy of the current identity (taken under its lock).
ErrIdentity CurrentErrIdentity();

// The facility of a log name: its base name QDB 3, MXR 5, HVINIT 7 (any
// case), else 1.
int FacilityOfLogName(const char* logname);

// Writes a fixed notice to standard error, once set_errinfo has recorded it.
void NoticeToStderr(const char* text);

}  // namespace cfgstore
