#include "qdberr.h"
#include "QdbFreeIt.h"
#include "qdbfile.h"

#include <cstdlib>
#include <cstring>

extern "C" void* qdbnalloc(std::size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (p == nullptr) {
        hv_err(3, 1047, "qdbnalloc: malloc failure");
        qdbfatalcheck();
        qdbexit(3);
    }
    return p;
}

extern "C" char* qdbsavcpy(const char* text) { return qdbsavcat(text, nullptr); }

extern "C" char* qdbsavcat(const char* first, const char* second) {
    const std::size_t a = first ? std::strlen(first) : 0;
    const std::size_t b = second ? std::strlen(second) : 0;
    char* joined = static_cast<char*>(qdbnalloc(a + b + 1));
    if (a) std::memcpy(joined, first, a);
    if (b) std::memcpy(joined + a, second, b);
    joined[a + b] = '\0';
    return joined;
}

// An address inside the attached segment goes back to the segment's free
// lists (under the database lock); anything else to the heap.
extern "C" void qdbfreeit(void* p) {
    if (p == nullptr || qdbFreeShared(p)) return;
    std::free(p);
}

extern "C" char* qdbstrscan(char* text, char** field, char* sep) {
    static char empty[1] = "";
    if (sep) *sep = '\0';
    if (field) *field = empty;
    if (text == nullptr) return nullptr;
    if (field) *field = text;
    char* p = text;
    while (*p != '\0' && *p != '\x01' && *p != '\n') ++p;
    if (*p == '\0') return nullptr;
    if (sep) *sep = *p;
    *p = '\0';
    return p + 1;
}
