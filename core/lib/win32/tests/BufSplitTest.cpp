#include "BufSplit.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

namespace {

// Splits a copy of `text` into n slots and returns the slots' texts.
std::vector<std::string> Split(const std::string& text, unsigned n, int* rc = nullptr) {
    std::vector<char> buf(text.begin(), text.end());
    buf.push_back('\0');
    std::vector<char*> a(n + 1, nullptr);
    int r = portlib::bufsplit(buf.data(), n, a.data());
    if (rc) *rc = r;
    std::vector<std::string> out;
    for (unsigned i = 0; i < n; ++i) out.emplace_back(a[i] ? a[i] : "(null)");
    EXPECT_EQ(a[n], nullptr) << "wrote past n slots";
    return out;
}

using Fields = std::vector<std::string>;

TEST(BufSplit, FieldsAtRunsOfDelimiters) {
    struct Case {
        const char* text;
        unsigned n;
        Fields fields;
    };
    const Case cases[] = {
        {"a b c", 5, {"a", "b", "c", "", ""}},
        {"a \t\n b", 3, {"a", "b", ""}},
        {"a b c d", 2, {"a", "b"}},
        {" a b", 3, {"", "a", "b"}},
        {"a b ", 3, {"a", "b", ""}},
        {"single", 2, {"single", ""}},
        {"", 2, {"", ""}},
    };
    for (const auto& c : cases) {
        int rc = 0;
        EXPECT_EQ(Split(c.text, c.n, &rc), c.fields) << '"' << c.text << '"';
        EXPECT_EQ(rc, static_cast<int>(c.n));
    }
}

TEST(BufSplit, LeftOverSlotsPointAtTheFirstFieldsTerminator) {
    char buf[] = "one two";
    char* a[4] = {};
    ASSERT_EQ(portlib::bufsplit(buf, 4, a), 4);
    EXPECT_EQ(a[2], buf + 3);
    EXPECT_EQ(a[3], buf + 3);
}

TEST(BufSplit, DelimiterSetCanBeReplacedWhateverItsLength) {
    char colon[] = ":";
    EXPECT_EQ(portlib::bufsplit(colon, 0, nullptr), 0);
    EXPECT_EQ(Split("a b:c", 3), (Fields{"a b", "c", ""}));
    // A long set (every printable character but letters) must not overrun anything.
    std::string many;
    for (int r = 0; r < 4; ++r)
        for (char ch = ' '; ch < 127; ++ch)
            if (!std::isalpha(static_cast<unsigned char>(ch))) many.push_back(ch);
    EXPECT_EQ(portlib::bufsplit(many.data(), 0, nullptr), 0);
    EXPECT_EQ(Split("ab,cd;;ef", 3), (Fields{"ab", "cd", "ef"}));
    char standard[] = "\t \n";
    portlib::bufsplit(standard, 0, nullptr);
    EXPECT_EQ(Split("x y", 2), (Fields{"x", "y"}));
}

TEST(BufSplit, NullBufferAndStrtrns) {
    char* a[2] = {};
    EXPECT_EQ(portlib::bufsplit(nullptr, 2, a), 0);
    char out[4] = "abc";
    EXPECT_EQ(portlib::strtrns("x", "x", "y", out), 0);
    EXPECT_STREQ(out, "abc");
}

}  // namespace
