// The one reading of a whole number that every tool uses for its options and
// for numbers in requests.
#include "WholeNumber.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(WholeNumber, TheTextIsOneNumberInItsBounds) {
    const struct {
        const char* text;
        long long lo, hi;
        bool ok;
        long long value;
    } cases[] = {
        {"", 0, 10, false, 0},
        {" ", 0, 10, false, 0},
        {" 5", 0, 10, false, 0},
        {"5 ", 0, 10, false, 0},
        {"\t5", 0, 10, false, 0},
        {"5", 0, 10, true, 5},
        {"0", 0, 10, true, 0},
        {"007", 0, 10, true, 7},
        {"-3", -5, 5, true, -3},
        {"+3", -5, 5, true, 3},
        {"-", -5, 5, false, 0},
        {"+", -5, 5, false, 0},
        {"+-3", -5, 5, false, 0},
        {"-+3", -5, 5, false, 0},
        {"--3", -5, 5, false, 0},
        {"5x", 0, 10, false, 0},
        {"5.0", 0, 10, false, 0},
        {"0x5", 0, 10, false, 0},
        {"1e3", 0, 10000, false, 0},
        {"10", 0, 10, true, 10},
        {"11", 0, 10, false, 0},
        {"-1", 0, 10, false, 0},
        {"-6", -5, 5, false, 0},
        {"9223372036854775807", 0, LLONG_MAX, true, LLONG_MAX},
        {"9223372036854775808", 0, LLONG_MAX, false, 0},
        {"-9223372036854775809", LLONG_MIN, 0, false, 0},
        {"99999999999999999999999", 0, LLONG_MAX, false, 0},
        {"4294967295", -2147483648LL, 4294967295LL, true, 4294967295LL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.text + "\"");
        long long v = -42;
        EXPECT_EQ(hvtool::ParseWholeNumber<long long>(c.text, c.lo, c.hi, &v), c.ok);
        EXPECT_EQ(v, c.ok ? c.value : -42);  // a refusal leaves the value alone
    }
}

TEST(WholeNumber, ANarrowTypeRefusesWhatItCannotHold) {
    int v = 0;
    EXPECT_FALSE(hvtool::ParseWholeNumber<int>("2147483648", INT_MIN, INT_MAX, &v));
    EXPECT_FALSE(hvtool::ParseWholeNumber<int>("-2147483649", INT_MIN, INT_MAX, &v));
    EXPECT_TRUE(hvtool::ParseWholeNumber<int>("-2147483648", INT_MIN, INT_MAX, &v));
    EXPECT_EQ(v, INT_MIN);
    // A text with an embedded end is not cut there.
    EXPECT_FALSE(hvtool::ParseWholeNumber<int>(std::string_view("12\0" "3", 4), 0, 100, &v));
}

}  // namespace
