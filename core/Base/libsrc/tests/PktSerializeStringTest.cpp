// The string form: SpclSerialInt length, then the characters.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>

#include "WireTestClasses.h"

// The largest single allocation while recording is on, to show that a length
// a peer only claims costs no memory. The sanitizers' allocation hook sees
// every allocation; without a sanitizer the check is skipped.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define HV_ALLOCATION_HOOK 1
// The sanitizer runtime's interface (its header ships with clang only).
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*onMalloc)(const volatile void*, std::size_t),
                                                         void (*onFree)(const volatile void*));
#endif

namespace {
std::atomic<bool> recording{false};
std::atomic<std::size_t> largest{0};

#ifdef HV_ALLOCATION_HOOK
void OnMalloc(const volatile void*, std::size_t n) {
    if (recording.load(std::memory_order_relaxed) && n > largest.load(std::memory_order_relaxed))
        largest.store(n, std::memory_order_relaxed);
}
void OnFree(const volatile void*) {}
#endif

bool InstallAllocationHook() {
#ifdef HV_ALLOCATION_HOOK
    static const bool installed = __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree) != 0;
    return installed;
#else
    return false;
#endif
}
}  // namespace

namespace {

Bytes StringBytes(const bStr& s) {
    PipePktCtrl c;
    bStr copy(s);
    EXPECT_EQ(_serialize(c, copy), 0);
    return StreamOf(c);
}

}  // namespace

TEST(WireString, LengthThenCharactersWithoutTerminator) {
    EXPECT_EQ(StringBytes("abc"), Hex("03 61 62 63"));
    EXPECT_EQ(StringBytes(""), Hex("00"));
    EXPECT_EQ(StringBytes(bStr()), Hex("00"));
    std::string long300(300, 'q');
    Bytes b = StringBytes(long300.c_str());
    ASSERT_EQ(b.size(), 302u);
    EXPECT_EQ(b[0], 0xAC);
    EXPECT_EQ(b[1], 0x02);
}

TEST(WireString, ReadingCases) {
    struct Case {
        const char* wire;
        const char* before;
        const char* after;
        int rc;
    };
    const Case cases[] = {
        {"03 61 62 63", "", "abc", 0},
        {"00", "x", "x", 0},                // length 0 leaves the string as it was
        {"03 61 00 62", "", "a", 0},        // every byte is kept; the C text ends at the NUL
        {"80 80 80 80 08 61", "x", "x", -1},  // 2^31 is no length: malformed
        {"FF FF FF FF 0F 61", "x", "x", -1},  // 2^32 - 1 likewise
        {"05 61 62", "x", "x", 3},          // three characters missing
        {"85", "x", "x", 1},                // the length itself is cut short
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.wire);
        Reader c = ReaderOf(Hex(k.wire));
        bStr s(k.before);
        EXPECT_EQ(_serialize(*c, s), k.rc);
        EXPECT_STREQ(s.StrVal(), k.after);
    }
}

TEST(WireString, NoDirectionDoesNothingAndSucceeds) {
    Reader c = ReaderOf(Hex("03 61 62 63"));
    c->SetDirection(BasePktCtrl::BADDIR);
    bStr s("keep");
    EXPECT_EQ(_serialize(*c, s), 0);
    EXPECT_STREQ(s.StrVal(), "keep");
    EXPECT_EQ(c->GetOffset(), 0);
}

TEST(WireString, ClaimedLengthBeyondTheStreamIsReportedWithoutAllocatingIt) {
    // 2^31 - 1 claimed, ten characters there.
    Reader c = ReaderOf(Hex("FF FF FF FF 07 61 62 63 64 65 66 67 68 69 6A"));
    if (!InstallAllocationHook()) GTEST_SKIP() << "needs a sanitizer's allocation hook";
    // The hook sees a plain allocation.
    recording = true;
    std::unique_ptr<char[]> sample(new char[100000]);
    recording = false;
    ASSERT_GE(largest.load(), 100000u);

    bStr s("old");
    largest = 0;
    recording = true;
    const int rc = _serialize(*c, s);
    recording = false;
    EXPECT_EQ(rc, 0x7FFFFFFF - 10);
    EXPECT_STREQ(s.StrVal(), "old");
    EXPECT_LT(largest.load(), 64u * 1024) << "memory follows the bytes that arrived";
}

TEST(WireString, TextLongerThanAPacketCountSpansPacketsIntact) {
    // One transfer of 200,000 bytes: far more than a packet's 16-bit counts.
    std::string text(200000, ' ');
    for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i % 26);
    PipePktCtrl w;
    bStr s(text.c_str());
    ASSERT_EQ(_serialize(w, s), 0);
    std::vector<Bytes> packets = PacketsOf(w);
    const std::size_t stream = 3 + text.size();  // 200000 needs three length bytes
    EXPECT_EQ(packets.size(), (stream + 511) / 512);
    EXPECT_EQ(packets.back().size(), 8 + stream % 512);

    Bytes all = StreamOf(w);
    ASSERT_EQ(all.size(), stream);
    Reader r = ReaderOf(all);
    bStr back;
    EXPECT_EQ(_serialize(*r, back), 0);
    ASSERT_EQ(back.StrLen(), 200000);
    EXPECT_EQ(std::string(back.StrVal()), text);
    EXPECT_EQ(r->GetRemainingByteCnt(), 0);
}

TEST(WireString, BinaryBytesTravelWhole) {
    const char raw[] = {'a', '\0', 'b', '\0', '\0', 'c'};
    const bStr sent = bStr::FromBytes(raw, sizeof raw);
    ASSERT_EQ(sent.StrLen(), 6);
    EXPECT_EQ(StringBytes(sent), Hex("06 61 00 62 00 00 63"));
    // Short and long forms of the reader both keep every byte.
    for (int len : {6, 3000}) {
        std::string payload(static_cast<std::size_t>(len), '\0');
        for (int i = 0; i < len; ++i) payload[static_cast<std::size_t>(i)] = raw[i % 6];
        Reader c = ReaderOf(StringBytes(bStr::FromBytes(payload.data(), len)));
        bStr got;
        ASSERT_EQ(_serialize(*c, got), 0);
        ASSERT_EQ(got.StrLen(), len);
        EXPECT_EQ(std::string(got.StrVal(), static_cast<std::size_t>(len)), payload);
    }
}
