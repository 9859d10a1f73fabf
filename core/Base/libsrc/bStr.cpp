#include "bStr.h"

#include "MxrAssert.h"
#include "MxrDll.h"

#include <array>
#include <bit>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <istream>
#include <mutex>
#include <new>
#include <ostream>
#include <string_view>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
// Blocks on a free list are poisoned behind their link word, so that a use
// after release is caught even though the memory never goes back to the heap.
#define BSTR_POISON(p, n) ASAN_POISON_MEMORY_REGION((p), (n))
#define BSTR_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION((p), (n))
#else
#define BSTR_POISON(p, n) ((void)(p), (void)(n))
#define BSTR_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace {

// A pooled text block: up to 123 characters and the terminator.
constexpr std::size_t kBlockSize = 124;
constexpr std::size_t kMaxLen = INT32_MAX;
// Longer texts up to kLargestPooled bytes with the terminator take a block of
// the next power of two from 256 bytes: one list per size, each keeping at
// most kKeptPerLargerList blocks (about 126 KB in all); what goes beyond goes
// back to the heap, as every longer text does.
constexpr std::size_t kLargestPooled = 4096;
constexpr int kLargerLists = 5;  // 256, 512, 1024, 2048 and 4096 bytes
constexpr int kKeptPerLargerList = 16;

// Released records and blocks are chained through their first word.
struct FreeLink {
    FreeLink* next;
};

// Guarded by BStrPoolLock(); the short blocks' list only grows.
FreeLink* SrepCacheList = nullptr;
FreeLink* StrCacheList = nullptr;
struct LargerList {
    FreeLink* head;
    int kept;
};
LargerList LargerTexts[kLargerLists] = {};

// The list of a text of len characters: 0 the short blocks, 1 to
// kLargerLists the larger ones, -1 none (a block of its own).
int TextListOf(std::size_t len) noexcept {
    if (len < kBlockSize) return 0;
    if (len >= kLargestPooled) return -1;
    const int list = static_cast<int>(std::bit_width(len)) - 7;  // 124..255: 1, 256..511: 2, ...
    return list < 1 ? 1 : list;
}

// The bytes of a block of that list (for no list: the text and terminator).
std::size_t TextBlockSize(int list, std::size_t len) noexcept {
    if (list == 0) return kBlockSize;
    if (list < 0) return len + 1;
    return std::size_t{128} << list;
}

// The free lists are guarded by the library lock, which is constant-
// initialised: strings made by static initialisers (class registration) can
// take it before any constructor of this unit has run.
MxrCriticalSection& BStrPoolLock() { return *pMxrDllCriticalSection; }

}  // namespace

// Holds the pool lock, unless the process has one thread.
class bStr::PoolGuard {
public:
    PoolGuard() : locked(!OneThread()) {
        if (locked) BStrPoolLock().lock();
    }
    ~PoolGuard() {
        if (locked) BStrPoolLock().unlock();
    }
    PoolGuard(const PoolGuard&) = delete;
    PoolGuard& operator=(const PoolGuard&) = delete;

private:
    bool locked;
};

namespace {

#define BSTR_ASSERT(cond) MXR_ASSERT(cond, #cond, "bStr")

// Every failure to get memory for a string stops the process: a string that
// silently lost its text would corrupt names and messages.
void* Allocate(std::size_t n) {
    void* buffPtr = ::operator new(n, std::nothrow);
    BSTR_ASSERT(buffPtr != 0);
    return buffPtr;
}

void* Pop(FreeLink*& list) noexcept {
    FreeLink* link = list;
    if (link) list = link->next;
    return link;
}

void Push(FreeLink*& list, void* block, std::size_t size) noexcept {
    list = ::new (block) FreeLink{list};
    BSTR_POISON(static_cast<char*>(block) + sizeof(FreeLink), size - sizeof(FreeLink));
}

// A kept block of the list, or null (under the pool lock).
void* PopText(int list) noexcept {
    if (list == 0) return Pop(StrCacheList);
    if (list < 0) return nullptr;
    LargerList& larger = LargerTexts[list - 1];
    void* block = Pop(larger.head);
    if (block) --larger.kept;
    return block;
}

// Keeps the block on its list (under the pool lock); false when the list is
// full, the caller then gives it back to the heap.
bool PushText(int list, void* block) noexcept {
    if (list == 0) {
        Push(StrCacheList, block, kBlockSize);
        return true;
    }
    if (list < 0) return false;
    LargerList& larger = LargerTexts[list - 1];
    if (larger.kept >= kKeptPerLargerList) return false;
    Push(larger.head, block, TextBlockSize(list, 0));
    ++larger.kept;
    return true;
}

}  // namespace

// ---------------------------------------------------------------- storage

char* bStr::NewText(std::size_t len) {
    const int list = TextListOf(len);
    const std::size_t size = TextBlockSize(list, len);
    void* block = nullptr;
    if (list >= 0) {
        PoolGuard guard;
        block = PopText(list);
    }
    if (!block) return static_cast<char*>(Allocate(size));
    BSTR_UNPOISON(block, size);
    return static_cast<char*>(block);
}

void bStr::FreeText(char* text, std::size_t len) noexcept {
    const int list = TextListOf(len);
    bool kept = false;
    if (list >= 0) {
        PoolGuard guard;
        kept = PushText(list, text);
    }
    if (!kept) ::operator delete(text);
}

bStr::srep* bStr::NewRep(std::size_t len) {
    BSTR_ASSERT(len <= kMaxLen);
    const int list = TextListOf(len);
    const std::size_t size = TextBlockSize(list, len);
    void* record;
    void* block = nullptr;
    {
        // Record and pooled text under one hold of the lock.
        PoolGuard guard;
        record = Pop(SrepCacheList);
        if (list >= 0) block = PopText(list);
    }
    if (record) {
        BSTR_UNPOISON(record, sizeof(srep));
    } else {
        record = Allocate(sizeof(srep));
    }
    char* text;
    if (block) {
        BSTR_UNPOISON(block, size);
        text = static_cast<char*>(block);
    } else {
        text = static_cast<char*>(Allocate(size));
    }
    text[len] = '\0';
    srep* r = ::new (record) srep;
    r->str = text;
    r->len = static_cast<std::int32_t>(len);
    r->refs.store(1, std::memory_order_relaxed);
    return r;
}

bStr::srep* bStr::NewRep(const char* a, std::size_t alen, const char* b, std::size_t blen) {
    BSTR_ASSERT(alen <= kMaxLen && blen <= kMaxLen - alen);
    srep* r = NewRep(alen + blen);
    if (alen) std::memcpy(r->str, a, alen);
    if (blen) std::memcpy(r->str + alen, b, blen);
    return r;
}

void bStr::Dispose(srep* r) noexcept {
    char* text = r->str;
    const int list = TextListOf(static_cast<std::size_t>(r->len));
    bool kept = false;
    r->~srep();
    {
        PoolGuard guard;
        kept = PushText(list, text);
        Push(SrepCacheList, r, sizeof(srep));
    }
    if (!kept) ::operator delete(text);
}

// This string's text becomes a followed by b. Either may point into the old
// text, which is released only after the copy.
void bStr::ReplaceText(const char* a, std::size_t alen, const char* b, std::size_t blen) {
    if (rep && SoleHolder()) {
        BSTR_ASSERT(alen <= kMaxLen && blen <= kMaxLen - alen);
        std::size_t len = alen + blen;
        char* text = NewText(len);
        if (alen) std::memcpy(text, a, alen);
        if (blen) std::memcpy(text + alen, b, blen);
        text[len] = '\0';
        FreeText(rep->str, static_cast<std::size_t>(rep->len));
        rep->str = text;
        rep->len = static_cast<std::int32_t>(len);
        return;
    }
    srep* fresh = NewRep(a, alen, b, blen);
    Drop(rep);
    rep = fresh;
}

// ---------------------------------------------------------------- construction

bStr::bStr(const char* s) : rep(s ? NewRep(s, std::strlen(s)) : nullptr) {}

// Reads no byte past s[n - 1]: s need not be terminated within n.
bStr::bStr(const char* s, int n)
    : rep(s ? NewRep(s, ::strnlen(s, n > 0 ? static_cast<std::size_t>(n) : 0)) : nullptr) {}

bStr bStr::FromBytes(const char* p, int n) {
    if (p == nullptr) return bStr();
    return bStr(NewRep(p, n > 0 ? static_cast<std::size_t>(n) : 0));
}

bStr bStr::OfLength(int n, char** text) {
    srep* r = NewRep(n > 0 ? static_cast<std::size_t>(n) : 0);
    *text = r->str;
    return bStr(r);
}

bStr& bStr::operator=(const bStr& o) noexcept {
    Hold(o.rep);
    Drop(rep);
    rep = o.rep;
    return *this;
}

bStr& bStr::operator=(const char* s) {
    if (!s) {
        Drop(rep);
        rep = nullptr;
        return *this;
    }
    ReplaceText(s, std::strlen(s), nullptr, 0);
    return *this;
}

// ---------------------------------------------------------------- access

int bStr::GetLastChar() const noexcept {
    if (!rep || rep->len == 0) return 0;
    return static_cast<signed char>(rep->str[rep->len - 1]);
}

// ---------------------------------------------------------------- comparison

bool bStr::operator<(const bStr& o) const noexcept { return std::strcmp(StrVal(), o.StrVal()) < 0; }
bool bStr::operator<=(const bStr& o) const noexcept { return std::strcmp(StrVal(), o.StrVal()) <= 0; }
bool bStr::operator>(const bStr& o) const noexcept { return std::strcmp(StrVal(), o.StrVal()) > 0; }
bool bStr::operator>=(const bStr& o) const noexcept { return std::strcmp(StrVal(), o.StrVal()) >= 0; }
bool bStr::operator<(const char* s) const noexcept { return std::strcmp(StrVal(), s ? s : "") < 0; }
bool bStr::operator<=(const char* s) const noexcept { return std::strcmp(StrVal(), s ? s : "") <= 0; }
bool bStr::operator>(const char* s) const noexcept { return std::strcmp(StrVal(), s ? s : "") > 0; }
bool bStr::operator>=(const char* s) const noexcept { return std::strcmp(StrVal(), s ? s : "") >= 0; }

int bStr::StrNCmp(const bStr& o) const noexcept {
    return std::strncmp(StrVal(), o.StrVal(), static_cast<std::size_t>(StrLen()));
}

bool operator==(const bStr& a, const bStr& b) noexcept {
    if (a.StrPtr() == b.StrPtr()) return true;  // shared representation, or both null
    return a.StrLen() == b.StrLen() && std::memcmp(a.StrVal(), b.StrVal(), a.StrLen()) == 0;
}
bool operator==(const bStr& a, const char* b) noexcept { return std::strcmp(a.StrVal(), b ? b : "") == 0; }
bool operator==(const char* a, const bStr& b) noexcept { return b == a; }
bool operator!=(const bStr& a, const bStr& b) noexcept { return !(a == b); }
bool operator!=(const bStr& a, const char* b) noexcept { return !(a == b); }
bool operator!=(const char* a, const bStr& b) noexcept { return !(b == a); }
bool operator<(const char* a, const bStr& b) noexcept { return b > a; }
bool operator<=(const char* a, const bStr& b) noexcept { return b >= a; }
bool operator>(const char* a, const bStr& b) noexcept { return b < a; }
bool operator>=(const char* a, const bStr& b) noexcept { return b <= a; }

// ---------------------------------------------------------------- concatenation

bStr& bStr::operator+=(const bStr& o) {
    if (o.StrLen() == 0) return *this;
    if (!rep) return *this = o;
    // o may be this string itself: ReplaceText copies before it releases.
    ReplaceText(rep->str, static_cast<std::size_t>(rep->len), o.rep->str, static_cast<std::size_t>(o.rep->len));
    return *this;
}

bStr& bStr::operator+=(const char* s) {
    if (!s || !*s) return *this;
    if (!rep) {
        rep = NewRep(s, std::strlen(s));
        return *this;
    }
    ReplaceText(rep->str, static_cast<std::size_t>(rep->len), s, std::strlen(s));
    return *this;
}

bStr bStr::operator+(const bStr& o) const {
    bStr result(*this);
    result += o;
    return result;
}

bStr bStr::operator+(const char* s) const {
    bStr result(*this);
    result += s;
    return result;
}

bStr operator+(const char* s, const bStr& b) {
    bStr result(s);
    result += b;
    return result;
}

// ---------------------------------------------------------------- case

namespace {
enum class CaseChange { Upper, Lower };

// Only bytes 0-127 are classified: the C library's tables for the upper half
// depend on the locale and would change names between processes.
char ChangeCase(char c, CaseChange how) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u >= 128) return c;
    if (how == CaseChange::Upper && std::islower(u)) return static_cast<char>(std::toupper(u));
    if (how == CaseChange::Lower && std::isupper(u)) return static_cast<char>(std::tolower(u));
    return c;
}
}  // namespace

namespace {
void ChangeCaseOf(char* text, std::int32_t count, CaseChange how) {
    for (std::int32_t i = 0; i < count; ++i) text[i] = ChangeCase(text[i], how);
}
}  // namespace

bStr bStr::ToUpper() const {
    if (!rep) return bStr();
    bStr result(NewRep(rep->str, static_cast<std::size_t>(rep->len)));
    ChangeCaseOf(result.rep->str, result.rep->len, CaseChange::Upper);
    return result;
}

bStr bStr::ToLower() const {
    if (!rep) return bStr();
    bStr result(NewRep(rep->str, static_cast<std::size_t>(rep->len)));
    ChangeCaseOf(result.rep->str, result.rep->len, CaseChange::Lower);
    return result;
}

bStr bStr::CvtFirstToUpper() const {
    if (!rep) return bStr();
    bStr result(NewRep(rep->str, static_cast<std::size_t>(rep->len)));
    ChangeCaseOf(result.rep->str, result.rep->len > 0 ? 1 : 0, CaseChange::Upper);
    return result;
}

// ---------------------------------------------------------------- pieces

bStr bStr::SubStr(int start, int len) const {
    int whole = StrLen();
    if (start < 0) start = 0;
    if (start > whole) return bStr();
    if (len < 0 || len > whole) len = whole;
    int count = len < whole - start ? len : whole - start;  // never past the end
    return bStr(NewRep(StrVal() + start, static_cast<std::size_t>(count)));
}

int bStr::Index(const bStr& p) const {
    if (p.StrLen() == 0) return 0;
    if (StrLen() < p.StrLen()) return -1;
    std::string_view text(rep->str, static_cast<std::size_t>(rep->len));
    std::size_t pos = text.find(std::string_view(p.rep->str, static_cast<std::size_t>(p.rep->len)));
    return pos == std::string_view::npos ? -1 : static_cast<int>(pos);
}

bStr bStr::Sub(const bStr& p, const bStr& r) const {
    int at = Index(p);
    if (at < 0) return *this;
    std::size_t before = static_cast<std::size_t>(at);
    std::size_t plen = static_cast<std::size_t>(p.StrLen());
    std::size_t rlen = static_cast<std::size_t>(r.StrLen());
    std::size_t after = static_cast<std::size_t>(StrLen()) - before - plen;
    BSTR_ASSERT(rlen <= kMaxLen - before && after <= kMaxLen - before - rlen);
    bStr result(NewRep(before + rlen + after));
    char* out = result.rep->str;
    if (before) std::memcpy(out, StrVal(), before);
    if (rlen) std::memcpy(out + before, r.StrVal(), rlen);
    if (after) std::memcpy(out + before + rlen, StrVal() + before + plen, after);
    return result;
}

namespace {
// One run of padding: the fill text from its first character, cycled.
char* PadRun(char* out, std::size_t count, const char* fill, std::size_t fillLen) {
    for (std::size_t i = 0; i < count; ++i) *out++ = fill[i % fillLen];
    return out;
}
}  // namespace

bStr bStr::Justify(int width, enJustify how, const char* fill) const {
    int len = StrLen();
    if (width < 0 || width <= len) return *this;  // never cut
    if (!fill || !*fill) fill = " ";               // an empty fill could not pad
    std::size_t fillLen = std::strlen(fill);
    std::size_t d = static_cast<std::size_t>(width - len);
    std::size_t before;
    switch (how) {
    case LEFT: before = 0; break;
    case CENTERRIGHT: before = d - d / 2; break;
    case CENTERLEFT: before = d / 2; break;
    default: before = d; break;
    }
    bStr result(NewRep(static_cast<std::size_t>(width)));
    char* out = PadRun(result.rep->str, before, fill, fillLen);
    if (len) std::memcpy(out, StrVal(), static_cast<std::size_t>(len));
    PadRun(out + len, d - before, fill, fillLen);
    return result;
}

namespace {
struct HtmlEntity {
    const char* text = nullptr;  // null: the byte is copied as it is
    std::size_t len = 0;
};
using HtmlTable = std::array<HtmlEntity, 256>;

// Built once, on first use; the initialisation of a function-local static is
// thread-safe.
const HtmlTable& HtmlEntities() {
    static const HtmlTable table = [] {
        HtmlTable t{};
        t['<'] = {"&lt;", 4};
        t['>'] = {"&gt;", 4};
        t['&'] = {"&amp;", 5};
        t['"'] = {"&quot;", 6};
        return t;
    }();
    return table;
}
}  // namespace

bStr bStr::CvtForHTML() const {
    const HtmlTable& table = HtmlEntities();
    int len = StrLen();
    const unsigned char* text = reinterpret_cast<const unsigned char*>(StrVal());
    std::size_t newLen = 0;
    for (int i = 0; i < len; ++i) newLen += table[text[i]].text ? table[text[i]].len : 1;
    if (newLen == static_cast<std::size_t>(len)) return *this;
    bStr result(NewRep(newLen));
    char* out = result.rep->str;
    for (int i = 0; i < len; ++i) {
        const HtmlEntity& e = table[text[i]];
        if (e.text) {
            std::memcpy(out, e.text, e.len);
            out += e.len;
        } else {
            *out++ = static_cast<char>(text[i]);
        }
    }
    return result;
}

// ---------------------------------------------------------------- streams

std::ostream& operator<<(std::ostream& os, const bStr& s) {
    return os << s.StrVal();
}

std::istream& operator>>(std::istream& is, bStr& s) {
    char buffer[1024];
    is.get(buffer, sizeof buffer, '\n');
    if (!is.fail()) s = buffer;
    return is;
}
