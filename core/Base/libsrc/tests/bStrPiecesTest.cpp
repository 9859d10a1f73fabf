// Pieces of a string: SubStr, Index, Sub, Justify, CvtForHTML and the case
// conversions, each as a table of cases. A null pointer in a table stands for
// a null bStr (in inputs) or for "the result must be null" (in results).
#include "bStr.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kLong(150, 'x');  // beyond the 123 characters of a pooled block

// Checks a result against an expectation that may be "null".
void ExpectText(const bStr& got, const char* want, const std::string& what) {
    if (!want) {
        EXPECT_EQ(got.StrPtr(), nullptr) << what << ": expected null, got \"" << got.StrVal() << "\"";
        return;
    }
    ASSERT_NE(got.StrPtr(), nullptr) << what << ": expected \"" << want << "\", got null";
    EXPECT_STREQ(got.StrPtr(), want) << what;
    EXPECT_EQ(got.StrLen(), static_cast<int>(std::char_traits<char>::length(want))) << what;
}

TEST(bStrPieces, SubStr) {
    struct Case { const char* text; int start; int len; const char* want; };
    const Case cases[] = {
        {"abcdef", 2, 100, "cdef"},
        {"abcdef", 7, 1, nullptr},     // start beyond the length: null
        {"abcdef", 6, 1, ""},          // start at the length: empty, not null
        {"abcdef", -3, 2, "ab"},       // negative start counts as 0
        {"abcdef", 0, -1, "abcdef"},   // negative len: whole length
        {"abcdef", 1, 0, ""},
        {"abcdef", 4, 6, "ef"},        // len equal to the whole length, clipped at the end
        {"abcdef", 4, 7, "ef"},        // len beyond the whole length
        {"abcdef", 5, 2147483647, "f"},
        {"abcdef", 2147483647, 1, nullptr},
        {"abcdef", -2147483647 - 1, 3, "abc"},
        {"", 0, 5, ""},
        {"", 1, 5, nullptr},
        {nullptr, 0, 5, ""},            // a null string has length 0
        {nullptr, 1, 1, nullptr},
    };
    for (const Case& c : cases) {
        ExpectText(bStr(c.text).SubStr(c.start, c.len), c.want,
                   std::string("SubStr(") + std::to_string(c.start) + "," + std::to_string(c.len) + ") of " +
                       (c.text ? c.text : "null"));
    }
    bStr longText(kLong.c_str());
    bStr tail = longText.SubStr(140, 50);
    ExpectText(tail, "xxxxxxxxxx", "SubStr of a long text");
    EXPECT_EQ(longText.SubStr(0, -1), kLong.c_str());
}

TEST(bStrPieces, Index) {
    struct Case { const char* text; const char* pattern; int want; };
    const Case cases[] = {
        {"abcdcd", "cd", 2},
        {"", "x", -1},
        {nullptr, "x", -1},
        {"abc", "", 0},
        {"abc", nullptr, 0},
        {nullptr, nullptr, 0},
        {"abc", "abc", 0},
        {"abc", "abcd", -1},   // pattern longer than the text
        {"abc", "bd", -1},
        {"aab", "ab", 1},
        {"abcabc", "c", 2},    // the first of two
    };
    for (const Case& c : cases) {
        EXPECT_EQ(bStr(c.text).Index(bStr(c.pattern)), c.want)
            << "Index(" << (c.pattern ? c.pattern : "null") << ") of " << (c.text ? c.text : "null");
    }
    EXPECT_EQ(bStr((kLong + "yz").c_str()).Index("yz"), 150);
}

TEST(bStrPieces, Sub) {
    struct Case { const char* text; const char* pattern; const char* repl; const char* want; };
    const Case cases[] = {
        {"abcb", "b", "XY", "aXYcb"},   // only the first occurrence
        {"abc", "z", "XY", "abc"},
        {"abc", "", "XY", "XYabc"},     // an empty pattern occurs at 0
        {"abc", nullptr, "XY", "XYabc"},
        {"abc", "abc", "", ""},
        {"abc", "a", nullptr, "bc"},
        {"abc", "c", "XY", "abXY"},
        {"", "", "XY", "XY"},
        {nullptr, "", "XY", "XY"},
        {nullptr, "a", "XY", nullptr},  // no occurrence: the null string itself
    };
    for (const Case& c : cases) {
        ExpectText(bStr(c.text).Sub(bStr(c.pattern), bStr(c.repl)), c.want,
                   std::string("Sub(") + (c.pattern ? c.pattern : "null") + ", " + (c.repl ? c.repl : "null") +
                       ") of " + (c.text ? c.text : "null"));
    }
    // Without an occurrence the result shares the representation.
    bStr text("abc");
    EXPECT_EQ(text.Sub("z", "XY").StrPtr(), text.StrPtr());
    // Replacing inside a long text crosses the pooled-block size both ways.
    bStr longText((kLong + "<>").c_str());
    bStr replaced = longText.Sub("<>", "!");
    EXPECT_EQ(replaced, (kLong + "!").c_str());
    EXPECT_EQ(bStr("ab").Sub("b", kLong.c_str()), ("a" + kLong).c_str());
}

TEST(bStrPieces, Justify) {
    using J = bStr::enJustify;
    struct Case { const char* text; int width; int how; const char* fill; const char* want; };
    const Case cases[] = {
        {"ab", 5, bStr::LEFT, "*", "ab***"},
        {"ab", 5, bStr::RIGHT, "*", "***ab"},
        {"ab", 5, bStr::CENTERRIGHT, "*", "**ab*"},
        {"ab", 5, bStr::CENTERLEFT, "*", "*ab**"},
        {"ab", 6, bStr::CENTERRIGHT, "*", "**ab**"},
        {"ab", 1, bStr::RIGHT, "*", "ab"},         // never cut
        {"ab", 2, bStr::RIGHT, "*", "ab"},
        {"ab", -4, bStr::LEFT, "*", "ab"},
        {"x", 6, bStr::LEFT, "ab", "xababa"},      // the fill cycles from its first character
        {"x", 8, bStr::CENTERRIGHT, "abc", "abcaxabc"},  // each run starts the fill again
        {"x", 8, bStr::CENTERLEFT, "abc", "abcxabca"},
        {"ab", 4, 7, "*", "**ab"},                 // an unknown placement acts as RIGHT
        {"ab", 4, -1, "*", "**ab"},
        {"ab", 4, bStr::LEFT, nullptr, "ab  "},    // null fill: blanks
        {"ab", 4, bStr::LEFT, "", "ab  "},         // empty fill: blanks too
        {"", 3, bStr::RIGHT, " ", "   "},          // indentation of a trace line
        {nullptr, 3, bStr::RIGHT, " ", "   "},
        {nullptr, 2, bStr::LEFT, ",", ",,"},       // argument commas
        {nullptr, 0, bStr::LEFT, ",", nullptr},    // nothing to pad: the string itself
    };
    for (const Case& c : cases) {
        ExpectText(bStr(c.text).Justify(c.width, static_cast<J>(c.how), c.fill), c.want,
                   std::string("Justify(") + std::to_string(c.width) + "," + std::to_string(c.how) + "," +
                       (c.fill ? c.fill : "null") + ") of " + (c.text ? c.text : "null"));
    }
    bStr text("ab");
    EXPECT_EQ(text.Justify(2, bStr::LEFT, "*").StrPtr(), text.StrPtr());  // a copy, shared
    bStr wide = text.Justify(200, bStr::CENTERLEFT, "-");
    EXPECT_EQ(wide.StrLen(), 200);
    EXPECT_EQ(wide.Index("ab"), 99);
}

TEST(bStrPieces, CvtForHTML) {
    struct Case { const char* text; const char* want; };
    const Case cases[] = {
        {"a<b&c>", "a&lt;b&amp;c&gt;"},
        {"say \"hi\"", "say &quot;hi&quot;"},
        {"plain", "plain"},
        {"\xe9<\xff", "\xe9&lt;\xff"},  // bytes 128-255 are copied as they are
        {"&&", "&amp;&amp;"},
        {"", ""},
        {nullptr, nullptr},
    };
    for (const Case& c : cases) {
        ExpectText(bStr(c.text).CvtForHTML(), c.want, std::string("CvtForHTML of ") + (c.text ? c.text : "null"));
    }
    bStr plain("plain");
    EXPECT_EQ(plain.CvtForHTML().StrPtr(), plain.StrPtr());  // nothing to convert: shared
    std::string many;
    for (int i = 0; i < 40; ++i) many += "<\">&";
    bStr converted = bStr(many.c_str()).CvtForHTML();
    EXPECT_EQ(converted.StrLen(), 40 * 19);
    EXPECT_EQ(converted.SubStr(0, 19), "&lt;&quot;&gt;&amp;");
}

TEST(bStrPieces, CaseConversion) {
    struct Case { const char* text; const char* upper; const char* lower; const char* first; };
    const Case cases[] = {
        {"Host-1a", "HOST-1A", "host-1a", "Host-1a"},
        {"abc", "ABC", "abc", "Abc"},
        {"\xe9t\xc9", "\xe9T\xc9", "\xe9t\xc9", "\xe9t\xc9"},  // upper half untouched
        {"", "", "", ""},
        {nullptr, nullptr, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        bStr s(c.text);
        std::string name = c.text ? c.text : "null";
        ExpectText(s.ToUpper(), c.upper, "ToUpper of " + name);
        ExpectText(s.ToLower(), c.lower, "ToLower of " + name);
        ExpectText(s.CvtFirstToUpper(), c.first, "CvtFirstToUpper of " + name);
    }
    bStr original("mixed");
    bStr upper = original.ToUpper();
    EXPECT_EQ(original, "mixed");  // a new string; the original is untouched
    EXPECT_NE(upper.StrPtr(), original.StrPtr());
}

}  // namespace
