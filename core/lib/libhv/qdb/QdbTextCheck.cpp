// testspace / testctrl: names that end up in table files and records may
// hold neither white space (the field separators of the files) nor control
// characters (the record separators).
#include "qdberr.h"

namespace {

bool IsWhite(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsCtrl(unsigned char c) { return c < 0x20 || c == 0x7F; }

int Check(const char* file, int line, const char* text, bool white) {
    if (text == nullptr) return 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        if (white && IsWhite(*p)) {
            hv_err(23, 1, QDB_ARGS, "[%s,%d] \"%s\" may not contain white space characters.", file ? file : "", line,
                   text);
            return 1;
        }
        if (IsCtrl(*p)) {
            hv_err(23, 2, QDB_ARGS, "[%s,%d] \"%s\" may not contain ctrl characters.", file ? file : "", line, text);
            return 1;
        }
    }
    return 0;
}

}  // namespace

extern "C" int testspace(const char* file, int line, const char* text) { return Check(file, line, text, true); }

extern "C" int testctrl(const char* file, int line, const char* text) { return Check(file, line, text, false); }

extern "C" void syslog_err(void) {}
