// bStr: construction, access, comparison, concatenation, copy on write, the
// pooled storage and the stream operators.
#include "bStr.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
// Exported by the sanitizer runtime; g++ ships no header that declares it.
extern "C" std::size_t __sanitizer_get_allocated_size(const volatile void* p);
#endif

namespace {

const std::string kText123(123, 'p');  // the longest text of a pooled block
const std::string kText124(124, 'h');  // the shortest text with its own allocation

TEST(bStrBasics, NullAndEmptyDifferOnlyInStrPtr) {
    bStr null;
    bStr fromNull(static_cast<const char*>(nullptr));
    bStr empty("");
    EXPECT_EQ(null.StrPtr(), nullptr);
    EXPECT_EQ(fromNull.StrPtr(), nullptr);
    ASSERT_NE(empty.StrPtr(), nullptr);
    EXPECT_STREQ(empty.StrPtr(), "");
    for (const bStr* s : {&null, &fromNull, &empty}) {
        EXPECT_STREQ(s->StrVal(), "");
        EXPECT_STREQ(static_cast<const char*>(*s), "");
        EXPECT_EQ(s->StrLen(), 0);
        EXPECT_EQ(s->GetLastChar(), 0);
    }
    EXPECT_TRUE(null == empty);
    EXPECT_FALSE(null != empty);
    EXPECT_TRUE(null == "");
    EXPECT_TRUE(empty == static_cast<const char*>(nullptr));
    std::ostringstream out;
    out << '[' << null << '|' << empty << ']';
    EXPECT_EQ(out.str(), "[|]");
}

TEST(bStrBasics, CountedConstruction) {
    struct Case { const char* text; int n; const char* want; };
    const Case cases[] = {
        {"abcdef", 3, "abc"},
        {"abc", 10, "abc"},      // n beyond the text: the whole text
        {"abc", 0, ""},          // nothing taken: empty, not null
        {"abc", -5, ""},         // a negative count takes nothing
        {"ab\0cd", 5, "ab"},     // up to the first zero byte
        {nullptr, 3, nullptr},
    };
    for (const Case& c : cases) {
        bStr s(c.text, c.n);
        if (!c.want) {
            EXPECT_EQ(s.StrPtr(), nullptr);
            continue;
        }
        ASSERT_NE(s.StrPtr(), nullptr);
        EXPECT_STREQ(s.StrPtr(), c.want) << "n=" << c.n;
        EXPECT_EQ(s.StrLen(), static_cast<int>(std::char_traits<char>::length(c.want)));
    }
    // A buffer without a terminator within n is read no further than n
    // (AddressSanitizer stops an overread of this stack array).
    const char unterminated[4] = {'w', 'x', 'y', 'z'};
    EXPECT_EQ(bStr(unterminated, 4), "wxyz");
    EXPECT_EQ(bStr(unterminated, 2), "wx");
}

TEST(bStrBasics, GetLastChar) {
    EXPECT_EQ(bStr("ab").GetLastChar(), 'b');
    EXPECT_EQ(bStr("a\xe9").GetLastChar(), -23);   // signed char widened
    EXPECT_EQ(bStr("\xff").GetLastChar(), -1);
    EXPECT_EQ(bStr(kText124.c_str()).GetLastChar(), 'h');
}

TEST(bStrBasics, ComparisonIsBytewiseUnsignedWithNullAsEmpty) {
    // sign: the order of left against right (-1, 0, 1).
    struct Case { const char* left; const char* right; int sign; };
    const Case cases[] = {
        {nullptr, "", 0},
        {nullptr, nullptr, 0},
        {"a", "b", -1},
        {"b", "a", 1},
        {"ab", "abc", -1},
        {"abc", "abc", 0},
        {"\x80", "a", 1},   // bytes above 127 sort after ASCII
        {"", "a", -1},
        {nullptr, "a", -1},
        {"Z", "a", -1},
    };
    for (const Case& c : cases) {
        bStr l(c.left), r(c.right);
        const char* rt = c.right;
        const char* lt = c.left;
        std::string what = std::string(lt ? lt : "null") + " vs " + (rt ? rt : "null");
        // bStr against bStr, bStr against a text, a text against bStr.
        EXPECT_EQ(l == r, c.sign == 0) << what;
        EXPECT_EQ(l != r, c.sign != 0) << what;
        EXPECT_EQ(l < r, c.sign < 0) << what;
        EXPECT_EQ(l <= r, c.sign <= 0) << what;
        EXPECT_EQ(l > r, c.sign > 0) << what;
        EXPECT_EQ(l >= r, c.sign >= 0) << what;
        EXPECT_EQ(l == rt, c.sign == 0) << what;
        EXPECT_EQ(l != rt, c.sign != 0) << what;
        EXPECT_EQ(l < rt, c.sign < 0) << what;
        EXPECT_EQ(l <= rt, c.sign <= 0) << what;
        EXPECT_EQ(l > rt, c.sign > 0) << what;
        EXPECT_EQ(l >= rt, c.sign >= 0) << what;
        if (lt) {
            EXPECT_EQ(lt == r, c.sign == 0) << what;
            EXPECT_EQ(lt != r, c.sign != 0) << what;
            EXPECT_EQ(lt < r, c.sign < 0) << what;
            EXPECT_EQ(lt <= r, c.sign <= 0) << what;
            EXPECT_EQ(lt > r, c.sign > 0) << what;
            EXPECT_EQ(lt >= r, c.sign >= 0) << what;
        }
    }
    // Texts in different arrays compare by content, whichever side they are on.
    char left[] = "same";
    char right[] = "same";
    EXPECT_TRUE(left == bStr(right));
    EXPECT_FALSE(left < bStr(right));
}

TEST(bStrBasics, StrNCmpComparesOverTheLeftLength) {
    EXPECT_EQ(bStr("ab").StrNCmp(bStr("abc")), 0);
    EXPECT_NE(bStr("abc").StrNCmp(bStr("ab")), 0);
    EXPECT_EQ(bStr().StrNCmp(bStr("xyz")), 0);
    EXPECT_EQ(bStr("").StrNCmp(bStr("xyz")), 0);
    EXPECT_LT(bStr("aa").StrNCmp(bStr("ab")), 0);
    EXPECT_GT(bStr("\xe0").StrNCmp(bStr("a")), 0);
    EXPECT_NE(bStr("a").StrNCmp(bStr()), 0);
}

TEST(bStrBasics, Concatenation) {
    bStr s("ab");
    s += "cd";
    s += bStr("ef");
    EXPECT_EQ(s, "abcdef");

    // A null or empty argument changes nothing, not even the representation.
    const char* before = s.StrPtr();
    s += bStr();
    s += bStr("");
    s += static_cast<const char*>(nullptr);
    s += "";
    EXPECT_EQ(s.StrPtr(), before);

    // A null string takes the argument's representation, or a copy of a text.
    bStr other("shared");
    bStr fromNull;
    fromNull += other;
    EXPECT_EQ(fromNull.StrPtr(), other.StrPtr());
    bStr fromNullText;
    fromNullText += "text";
    EXPECT_EQ(fromNullText, "text");
    bStr stillNull;
    stillNull += "";
    EXPECT_EQ(stillNull.StrPtr(), nullptr);

    // Joining a string to itself, as a bStr and as its own text.
    bStr twice("xy");
    twice += twice;
    EXPECT_EQ(twice, "xyxy");
    twice += twice.StrPtr() + 2;
    EXPECT_EQ(twice, "xyxyxy");

    // The three forms of +.
    bStr a("left");
    EXPECT_EQ(a + bStr("+right"), "left+right");
    EXPECT_EQ(a + "+text", "left+text");
    EXPECT_EQ("text+" + a, "text+left");
    EXPECT_EQ(static_cast<const char*>(nullptr) + a, "left");
    EXPECT_EQ(a, "left");

    // Across the pooled-block size.
    bStr grow(kText123.c_str());
    grow += "!";
    EXPECT_EQ(grow.StrLen(), 124);
    EXPECT_EQ(grow, (kText123 + "!").c_str());
}

TEST(bStrBasics, AssignmentOfTexts) {
    bStr s("first");
    bStr& self = s;
    s = self;
    EXPECT_EQ(s, "first");

    // The new text may lie inside the old one, sole holder or shared.
    s = s.StrPtr() + 2;
    EXPECT_EQ(s, "rst");
    bStr longText(kText124.c_str());
    bStr copy = longText;
    longText = longText.StrPtr() + 100;
    EXPECT_EQ(longText, std::string(24, 'h').c_str());
    EXPECT_EQ(copy, kText124.c_str());
    bStr sole(kText124.c_str());
    sole = sole.StrPtr() + 1;
    EXPECT_EQ(sole.StrLen(), 123);

    s = static_cast<const char*>(nullptr);
    EXPECT_EQ(s.StrPtr(), nullptr);
    s = "";
    ASSERT_NE(s.StrPtr(), nullptr);
    EXPECT_EQ(s.StrLen(), 0);

    bStr moved(std::move(copy));
    EXPECT_EQ(moved, kText124.c_str());
    bStr target("x");
    target = std::move(moved);
    EXPECT_EQ(target, kText124.c_str());
}

// Every change made to a copy leaves the original's text, representation and
// length as they were: the shared representation is never written.
TEST(bStrCopyOnWrite, ChangingACopyLeavesTheOriginal) {
    struct Change { const char* name; std::function<void(bStr&)> apply; const char* want; };
    const Change changes[] = {
        {"+= text", [](bStr& s) { s += "-x"; }, "hostname-x"},
        {"+= bStr", [](bStr& s) { s += bStr("-y"); }, "hostname-y"},
        {"+= itself", [](bStr& s) { s += s; }, "hostnamehostname"},
        {"= text", [](bStr& s) { s = "other"; }, "other"},
        {"= own text", [](bStr& s) { s = s.StrPtr() + 4; }, "name"},
        {"= null", [](bStr& s) { s = static_cast<const char*>(nullptr); }, nullptr},
        {"= bStr", [](bStr& s) { s = bStr("fresh"); }, "fresh"},
        {">> stream", [](bStr& s) { std::istringstream in("read\n"); in >> s; }, "read"},
        {"+= long", [](bStr& s) { s += kText124.c_str(); }, nullptr},
    };
    for (const Change& c : changes) {
        bStr original("hostname");
        const char* text = original.StrPtr();
        bStr copy = original;
        ASSERT_EQ(copy.StrPtr(), text) << c.name;  // a copy shares
        c.apply(copy);
        EXPECT_EQ(original.StrPtr(), text) << c.name;
        EXPECT_STREQ(original.StrPtr(), "hostname") << c.name;
        EXPECT_EQ(original.StrLen(), 8) << c.name;
        EXPECT_NE(copy.StrPtr(), text) << c.name;
        if (c.want) {
            EXPECT_STREQ(copy.StrVal(), c.want) << c.name;
        }
    }
}

TEST(bStrCopyOnWrite, OriginalChangedCopyKept) {
    bStr original("abc");
    bStr copy = original;
    bStr third = copy;
    original += "def";
    original = original.ToUpper();
    EXPECT_EQ(copy, "abc");
    EXPECT_EQ(third.StrPtr(), copy.StrPtr());
    EXPECT_EQ(original, "ABCDEF");
}

TEST(bStrPool, ShortTextsUsePooledBlocksLongTextsTheirOwn) {
    const char* pooled;
    {
        bStr s(kText123.c_str());
        pooled = s.StrPtr();
#if defined(__SANITIZE_ADDRESS__)
        EXPECT_EQ(__sanitizer_get_allocated_size(pooled), 124u);
#endif
    }
    // The released block is the first one handed out again, whatever the length.
    bStr reuse("x");
    EXPECT_EQ(reuse.StrPtr(), pooled);

    // A longer text takes a block of its size's own list, not of the short
    // blocks' list: the block on top of that list before it is still the
    // next one handed out.
    const char* top;
    {
        bStr s("short");
        top = s.StrPtr();
    }
    {
        bStr s(kText124.c_str());
#if defined(__SANITIZE_ADDRESS__)
        EXPECT_EQ(__sanitizer_get_allocated_size(s.StrPtr()), 256u);
#endif
    }
    bStr next("y");
    EXPECT_EQ(next.StrPtr(), top);
}

TEST(bStrPool, LongerTextsReuseBlocksOfTheirSizeUpTo4095Characters) {
    struct Case {
        std::size_t len;
        std::size_t block;  // the bytes of its block
        bool reused;        // whether its block is the next one of its size
    };
    const Case cases[] = {
        {255, 256, true}, {256, 512, true}, {1024, 2048, true}, {4095, 4096, true}, {4096, 4097, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.len);
        const std::string text(c.len, 'm');
        // Texts of this size held meanwhile: whatever other tests left on
        // the list is taken, so the block released below is on top of it.
        std::vector<bStr> held;
        for (int i = 0; i < 20; ++i) held.emplace_back(text.c_str());
        const char* first;
        {
            bStr s(text.c_str());
            first = s.StrPtr();
#if defined(__SANITIZE_ADDRESS__)
            EXPECT_EQ(__sanitizer_get_allocated_size(first), c.block);
#endif
        }
        // Another text of the same size class, made from bytes as a decoder does.
        const std::string other(c.len, 'n');
        bStr again = bStr::FromBytes(other.data(), static_cast<int>(other.size()));
        if (c.reused) {
            EXPECT_EQ(again.StrPtr(), first);
        }
        EXPECT_EQ(again.StrLen(), static_cast<int>(c.len));
        EXPECT_EQ(std::string(again.StrVal()), other);
    }
}

#if defined(__SANITIZE_ADDRESS__)
TEST(bStrPoolDeathTest, UseOfAReleasedPooledTextIsCaught) {
    EXPECT_DEATH(
        {
            const char* stale;
            {
                bStr s("a text that goes back to the free list");
                stale = s.StrPtr();
            }
            volatile char c = stale[20];
            (void)c;
        },
        "use-after-poison");
}
#endif

TEST(bStrStream, ReadsOneLineAndLeavesTheNewline) {
    std::istringstream in("line one\nline two");
    bStr s("old");
    in >> s;
    EXPECT_EQ(s, "line one");
    EXPECT_EQ(in.peek(), '\n');
    in.get();
    in >> s;
    EXPECT_EQ(s, "line two");  // the last line, ended by the end of the stream
    EXPECT_TRUE(in.eof());
    EXPECT_FALSE(in.fail());
}

TEST(bStrStream, NothingReadLeavesTheStringUnchanged) {
    struct Case { const char* input; };
    const Case cases[] = {{""}, {"\nnext"}};
    for (const Case& c : cases) {
        std::istringstream in(c.input);
        bStr s("kept");
        const char* before = s.StrPtr();
        in >> s;
        EXPECT_TRUE(in.fail()) << '"' << c.input << '"';
        EXPECT_EQ(s.StrPtr(), before);
        EXPECT_EQ(s, "kept");
    }
    std::istringstream bad("text");
    bad.setstate(std::ios::badbit);
    bStr s("kept");
    bad >> s;
    EXPECT_EQ(s, "kept");
}

TEST(bStrStream, LongLineIsReadInPiecesOf1023) {
    std::string line(1500, 'q');
    line[1022] = 'A';
    line[1023] = 'B';
    std::istringstream in(line + "\nrest");
    bStr s;
    in >> s;
    EXPECT_EQ(s.StrLen(), 1023);
    EXPECT_EQ(s.GetLastChar(), 'A');
    in >> s;
    EXPECT_EQ(s.StrLen(), 1500 - 1023);
    EXPECT_EQ(s.StrVal()[0], 'B');
    EXPECT_EQ(in.peek(), '\n');
}

TEST(bStrStream, WritesTheText) {
    std::ostringstream out;
    out << bStr("a<b") << ' ' << bStr(kText124.c_str());
    EXPECT_EQ(out.str(), "a<b " + kText124);
}

}  // namespace
