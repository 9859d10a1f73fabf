#include "OptionParser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Step {
    int ret;
    const char* arg;  // expected poptarg, null for none
    int ind;          // expected poptind after the call
};

struct Case {
    const char* what;
    std::vector<std::string> args;
    const char* opts;
    int err;  // popterr
    std::vector<Step> steps;
    const char* output;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.what; }

class OptionParserTest : public ::testing::TestWithParam<Case> {};

TEST_P(OptionParserTest, ParsesAndReportsExactly) {
    const Case& c = GetParam();
    std::vector<std::string> storage = c.args;
    std::vector<char*> argv;
    for (auto& s : storage) argv.push_back(s.data());
    argv.push_back(nullptr);
    portlib::poptind = 1;
    portlib::poptarg = nullptr;
    portlib::popterr = c.err;
    testing::internal::CaptureStdout();
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
        const Step& s = c.steps[i];
        int ret = portlib::getopt(static_cast<int>(storage.size()), argv.data(), c.opts);
        EXPECT_EQ(ret, s.ret) << "step " << i;
        if (s.arg) {
            EXPECT_STREQ(portlib::poptarg, s.arg) << "step " << i;
        } else if (ret != '?' && ret != -1) {
            EXPECT_EQ(portlib::poptarg, nullptr) << "step " << i;
        }
        EXPECT_EQ(portlib::poptind, s.ind) << "step " << i;
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.output);
    portlib::popterr = 1;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OptionParserTest,
    ::testing::Values(
        Case{"grouped flags, separate argument, --",
             {"prog", "-ab", "-n", "5", "--", "x"}, "abn:", 1,
             {{'a', nullptr, 1}, {'b', nullptr, 2}, {'n', "5", 4}, {-1, nullptr, 5}}, ""},
        Case{"argument in the same word", {"prog", "-n5", "file"}, "n:", 1, {{'n', "5", 2}, {-1, nullptr, 2}}, ""},
        Case{"flag then argument option", {"prog", "-an", "val"}, "an:", 1,
             {{'a', nullptr, 1}, {'n', "val", 3}, {-1, nullptr, 3}}, ""},
        Case{"illegal option", {"prog", "-z"}, "ab", 1, {{'?', nullptr, 2}, {-1, nullptr, 2}},
             "prog: illegal option - z\n"},
        Case{"illegal option inside a group", {"prog", "-azb"}, "ab", 1,
             {{'a', nullptr, 1}, {'?', nullptr, 1}, {'b', nullptr, 2}, {-1, nullptr, 2}},
             "prog: illegal option - z\n"},
        Case{"colon is never an option", {"prog", "-:"}, "a:", 1, {{'?', nullptr, 2}}, "prog: illegal option - :\n"},
        Case{"missing argument", {"prog", "-n"}, "n:", 1, {{'?', nullptr, 2}, {-1, nullptr, 2}},
             "prog: option requires an argument - n\n"},
        Case{"messages off", {"prog", "-z", "-n"}, "n:", 0, {{'?', nullptr, 2}, {'?', nullptr, 3}}, ""},
        Case{"lone dash ends the options", {"prog", "-", "-a"}, "a", 1, {{-1, nullptr, 1}}, ""},
        Case{"operand ends the options", {"prog", "x", "-a"}, "a", 1, {{-1, nullptr, 1}}, ""},
        Case{"no arguments", {"prog"}, "a", 1, {{-1, nullptr, 1}}, ""}),
    [](const ::testing::TestParamInfo<Case>& info) { return "case" + std::to_string(info.index); });

TEST(OptionParser, RemembersTheLastOptionCharacter) {
    std::string a0 = "prog", a1 = "-q";
    char* argv[] = {a0.data(), a1.data(), nullptr};
    portlib::poptind = 1;
    portlib::popterr = 0;
    EXPECT_EQ(portlib::getopt(2, argv, "a"), '?');
    EXPECT_EQ(portlib::poptopt, 'q');
    portlib::popterr = 1;
}

TEST(OptionParser, RestartingOnAnotherArgvIsSafe) {
    // Stop in the middle of "-abc", then parse a shorter argv from the start.
    std::string a0 = "prog", a1 = "-abc";
    char* first[] = {a0.data(), a1.data(), nullptr};
    portlib::poptind = 1;
    EXPECT_EQ(portlib::getopt(2, first, "abc"), 'a');
    std::string b1 = "-x";
    char* second[] = {a0.data(), b1.data(), nullptr};
    portlib::poptind = 1;
    EXPECT_EQ(portlib::getopt(2, second, "x"), 'x');
    EXPECT_EQ(portlib::getopt(2, second, "x"), -1);
}

}  // namespace
