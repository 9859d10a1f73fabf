// bStr: the one string type of the framework and of every interface built on it
// (host names, pipe names, mailbox names, messages).
//
// A bStr is one word: a pointer to a shared, reference-counted representation,
// or null. Copies share the representation; every operation that changes a
// string first detaches it when another holder shares it (copy on write), so a
// shared representation is never written. The count is atomic: one string (the
// host name, say) may be copied and released by many threads at once; the bStr
// object itself is not to be changed by one thread while another uses it.
//
// A null string and a string of length 0 read alike ("") everywhere except in
// StrPtr(), which gives null for the former.
//
// Texts of up to 123 characters live in 124-byte blocks and representations in
// records that are recycled through two process-wide free lists, never given
// back to the heap. Texts of up to 4095 characters take blocks of the next
// power of two from 256 bytes, a few of each size kept for reuse (a message
// text made and released again and again costs no heap call); longer texts
// have blocks of their own.
//
// The text never holds a zero byte before its terminator: every way in copies
// up to the first zero byte.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#if __has_include(<sys/single_threaded.h>)
#include <sys/single_threaded.h>
#endif

class bStr {
public:
    // How Justify places the text in its field; any other value acts as RIGHT.
    enum enJustify : int {
        LEFT = 0,         // text, then padding
        RIGHT = 1,        // padding, then text
        CENTERRIGHT = 2,  // larger half of the padding before, smaller after
        CENTERLEFT = 3,   // smaller half before, larger after
    };

    // Construction, assignment, release.
    bStr() noexcept : rep(nullptr) {}
    bStr(const char* s);         // null for null; "" gives a length-0 string
    bStr(const char* s, int n);  // at most n characters of s (n < 0 counts as 0)
    // Exactly n bytes of p, NUL bytes included (a binary payload, or text
    // read off the wire); StrVal still ends at the first NUL.
    static bStr FromBytes(const char* p, int n);
    // A string of n characters (n >= 0) that the caller fills through *text
    // before it is used: the bytes are not set, the terminator is.
    static bStr OfLength(int n, char** text);
    bStr(const bStr& o) noexcept : rep(o.rep) { Hold(rep); }
    bStr(bStr&& o) noexcept : rep(o.rep) { o.rep = nullptr; }
    ~bStr() { Drop(rep); }

    bStr& operator=(const bStr& o) noexcept;
    bStr& operator=(bStr&& o) noexcept {
        if (this != &o) {
            srep* old = rep;
            rep = o.rep;
            o.rep = nullptr;
            Drop(old);
        }
        return *this;
    }
    bStr& operator=(const char* s);  // null makes the string null

    // Access.
    const char* StrPtr() const noexcept { return rep ? rep->str : nullptr; }
    const char* StrVal() const noexcept { return rep ? rep->str : nullString; }
    operator const char*() const noexcept { return StrVal(); }
    int StrLen() const noexcept { return rep ? rep->len : 0; }
    // Last character as a signed char widened to int; 0 for a null or empty string.
    int GetLastChar() const noexcept;

    // Ordering, byte-wise over unsigned bytes as strcmp; null reads as "".
    bool operator<(const bStr& o) const noexcept;
    bool operator<=(const bStr& o) const noexcept;
    bool operator>(const bStr& o) const noexcept;
    bool operator>=(const bStr& o) const noexcept;
    bool operator<(const char* s) const noexcept;
    bool operator<=(const char* s) const noexcept;
    bool operator>(const char* s) const noexcept;
    bool operator>=(const char* s) const noexcept;
    // strncmp of this text against o over this string's length: 0 whenever
    // this text is a prefix of o (always for a null or empty string).
    int StrNCmp(const bStr& o) const noexcept;

    // Concatenation. A null or empty argument changes nothing.
    bStr& operator+=(const bStr& o);
    bStr& operator+=(const char* s);
    bStr operator+(const bStr& o) const;
    bStr operator+(const char* s) const;

    // Case of the ASCII letters (bytes 128-255 are kept); null gives null.
    bStr ToUpper() const;
    bStr ToLower() const;
    bStr CvtFirstToUpper() const;

    // Pieces.
    // Characters from start on, at most len of them. start < 0 counts as 0;
    // start beyond the length gives null; len < 0 or beyond the length counts
    // as the whole length.
    bStr SubStr(int start, int len) const;
    // First position of p; 0 for a null or empty p; -1 when p does not occur.
    int Index(const bStr& p) const;
    // The first occurrence of p replaced by r; shares this string when p does
    // not occur. An empty p occurs at 0.
    bStr Sub(const bStr& p, const bStr& r) const;
    // This text padded to width characters with fill (null or "" means " ")
    // repeated from its first character in each run of padding; a copy of this
    // string when width is negative or not greater than the length.
    bStr Justify(int width, enJustify how, const char* fill) const;
    // < > & and the double quotation mark as HTML entities; shares this string
    // when none occurs.
    bStr CvtForHTML() const;

private:
    struct srep {
        char* str;                       // the text, always terminated
        std::int32_t len;                // characters before the terminator
        std::atomic<std::int32_t> refs;  // bStr values sharing this record
    };

    static constexpr char nullString[] = "";

    explicit bStr(srep* r) noexcept : rep(r) {}

    // True while the process has one thread: counts and free lists then need
    // no atomic read-modify-write and no lock. A second thread can only be
    // started by this one, and starting it orders everything before.
    static bool OneThread() noexcept {
#if __has_include(<sys/single_threaded.h>)
        return __libc_single_threaded != 0;
#else
        return false;
#endif
    }
    static void Hold(srep* r) noexcept {
        if (!r) return;
        if (OneThread())
            r->refs.store(r->refs.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
        else
            r->refs.fetch_add(1, std::memory_order_relaxed);
    }
    // A holder that sees a count of 1 is the only one: nobody else can copy
    // the representation, so it is released without the atomic decrement.
    static void Drop(srep* r) noexcept {
        if (!r) return;
        std::int32_t n = r->refs.load(std::memory_order_acquire);
        if (n == 1) {
            Dispose(r);
        } else if (OneThread()) {
            r->refs.store(n - 1, std::memory_order_relaxed);
        } else if (r->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
            Dispose(r);
        }
    }
    bool SoleHolder() const noexcept {
        return rep->refs.load(std::memory_order_acquire) == 1;
    }

    class PoolGuard;  // the free lists' lock
    static srep* NewRep(std::size_t len);
    static srep* NewRep(const char* a, std::size_t alen, const char* b = nullptr, std::size_t blen = 0);
    static char* NewText(std::size_t len);
    static void FreeText(char* text, std::size_t len) noexcept;
    static void Dispose(srep* r) noexcept;
    void ReplaceText(const char* a, std::size_t alen, const char* b, std::size_t blen);

    srep* rep;
};

bool operator==(const bStr& a, const bStr& b) noexcept;
bool operator==(const bStr& a, const char* b) noexcept;
bool operator==(const char* a, const bStr& b) noexcept;
bool operator!=(const bStr& a, const bStr& b) noexcept;
bool operator!=(const bStr& a, const char* b) noexcept;
bool operator!=(const char* a, const bStr& b) noexcept;
// A text on the left compares as text too (not by address through the conversion).
bool operator<(const char* a, const bStr& b) noexcept;
bool operator<=(const char* a, const bStr& b) noexcept;
bool operator>(const char* a, const bStr& b) noexcept;
bool operator>=(const char* a, const bStr& b) noexcept;

bStr operator+(const char* s, const bStr& b);

// Writes the text ("" for null).
std::ostream& operator<<(std::ostream& os, const bStr& s);
// Reads one line of at most 1023 characters; the newline stays in the stream.
// When the stream fails (an empty line or nothing left) the string is unchanged.
std::istream& operator>>(std::istream& is, bStr& s);
