#include "IoString.h"

#include <cstdio>
#include <ostream>
#include <string>
#include <utility>

#include "ClassDefine.h"

MXR_CLASS_DEFINE(IoString);

char IoString::charCvtTbl[256][5];
std::atomic<int> IoString::charCvtTblInit{0};

IoString::IoString() { MXR_METHOD_FRAME("IoString", 0); }

IoString::IoString(const char* text) : value(text) { MXR_METHOD_FRAME("IoString", 1); }

IoString::IoString(const bStr& text) : value(text) { MXR_METHOD_FRAME("IoString", 1); }

IoString::~IoString() { MXR_METHOD_FRAME("~IoString", 0); }

bStr IoString::GetValue() const {
    MXR_METHOD_FRAME("GetValue", 0);
    return value;
}

void IoString::SetValue(bStr text) {
    MXR_METHOD_FRAME("SetValue", 1);
    value = std::move(text);
}

std::ostream& IoString::Display(std::ostream& os, int indent) {
    MXR_METHOD_FRAME("Display", 2);
    static_cast<void>(indent);
    const char (&tbl)[256][5] = GetCharCvtTbl();
    std::string out;
    out.reserve(static_cast<std::size_t>(value.StrLen()) + 2);
    out.push_back('"');
    for (const char* p = value.StrVal(); *p != '\0'; ++p) out += tbl[static_cast<unsigned char>(*p)];
    out.push_back('"');
    return os.write(out.data(), static_cast<std::streamsize>(out.size()));
}

const char (&IoString::GetCharCvtTbl())[256][5] {
    MXR_FRAME("IoString", "GetCharCvtTbl", 0, "IoString.c");
    // The first caller fills the table; concurrent first callers wait for it.
    static const bool filled = (FillCharCvtTbl(), true);
    static_cast<void>(filled);
    return charCvtTbl;
}

void IoString::FillCharCvtTbl() {
    MXR_FRAME("IoString", "FillCharCvtTbl", 0, "IoString.c");
    for (int b = 0; b < 256; ++b) std::snprintf(charCvtTbl[b], sizeof charCvtTbl[b], "\\%03o", b);
    // Printable ASCII as itself; the tilde (126) keeps its octal form.
    for (int b = 32; b < 126; ++b) {
        charCvtTbl[b][0] = static_cast<char>(b);
        charCvtTbl[b][1] = '\0';
    }
    const std::pair<int, char> escapes[] = {{'"', '"'}, {'\\', '\\'}, {'\n', 'n'}, {'\t', 't'},
                                            {'\f', 'f'}, {'\b', 'b'},  {'\r', 'r'}};
    for (const auto& [b, letter] : escapes) {
        charCvtTbl[b][0] = '\\';
        charCvtTbl[b][1] = letter;
        charCvtTbl[b][2] = '\0';
    }
    charCvtTblInit.store(1, std::memory_order_release);
}
