// The string routines that server and tools share, as tables of cases.
#include "HvinitEventLog.h"
#include "TempSystemDir.h"
#include "libHVinit.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Split(const std::string& line, int maxFields, int* count) {
    char fields[4][hvinit::kFieldBytes];
    *count = split_args(line.c_str(), fields, maxFields);
    std::vector<std::string> out;
    for (int i = 0; i < *count && i < maxFields; ++i) out.emplace_back(fields[i]);
    return out;
}

// split_args reports; the reports go to a test's own system directory.
class HvinitStrings : public hvtest::SystemDirTest {};

TEST_F(HvinitStrings, SplitArgs) {
    const std::string longWord(256, 'w');
    const std::string longest(255, 'w');
    struct Case {
        std::string line;
        int maxFields;
        int count;
        std::vector<std::string> fields;
    };
    const Case cases[] = {
        {"  a  b\n", 4, 2, {"a", "b"}},
        {"5 /bin/x|-a 2 ", 4, 3, {"5", "/bin/x|-a", "2"}},
        {"one\ttwo\nthree", 4, 2, {"one", "two"}},
        {"", 4, 0, {}},
        {"   \n", 4, 0, {}},
        {"a " + longWord + " c", 4, 1, {"a"}},  // reported; the count before that word
        {"a " + longest, 4, 2, {"a", longest}},
        {"1 2 3 4 5 6", 4, 6, {"1", "2", "3", "4"}},  // all counted, only four stored
    };
    for (const Case& c : cases) {
        int count = -1;
        EXPECT_EQ(Split(c.line, c.maxFields, &count), c.fields) << c.line;
        EXPECT_EQ(count, c.count) << c.line;
    }
    const auto reports = hvtest::Reports(19651);
    ASSERT_EQ(reports.size(), 1u);  // only the 256-character word
    EXPECT_NE(reports[0].text.find("Argument length is > than 256 characters long."), std::string::npos);
}

TEST_F(HvinitStrings, InPlaceRoutines) {
    struct Case {
        const char* name;
        std::string in;
        std::string out;
    };
    auto run = [](const char* name, std::string s) {
        std::vector<char> buf(s.begin(), s.end());
        buf.push_back('\0');
        if (std::strcmp(name, "trim") == 0) trim_trailing(buf.data());
        if (std::strcmp(name, "pair") == 0) blank_pair(buf.data(), ':');
        if (std::strcmp(name, "bar") == 0) blank_char(buf.data(), '|');
        return std::string(buf.data());
    };
    const std::string farPair = std::string(1024, 'x') + "::";  // its second character lies past the 1,025 looked at
    const std::string farBar = std::string(257, 'x') + "|";
    const Case cases[] = {
        {"trim", "line \t\r\n\n", "line"},
        {"trim", "   ", ""},
        {"trim", "a b", "a b"},
        {"pair", "/bin/p|-x::12::X::5", "/bin/p|-x  12  X  5"},
        {"pair", "a:b:::c", "a:b  :c"},
        {"pair", farPair, farPair},
        {"bar", "/bin/p|-x|-y", "/bin/p -x -y"},
        {"bar", farBar, farBar},
    };
    for (const Case& c : cases) EXPECT_EQ(run(c.name, c.in), c.out) << c.name << " " << c.in;
}

TEST_F(HvinitStrings, IsPidText) {
    EXPECT_EQ(is_pid_text("1234"), 1);
    EXPECT_EQ(is_pid_text(" 12-3."), 1);
    EXPECT_EQ(is_pid_text("12a"), 0);
    EXPECT_EQ(is_pid_text("qdb"), 0);
    EXPECT_EQ(is_pid_text((std::string(256, '1') + "x").c_str()), 1);  // letters past 256 are not looked at
}

TEST_F(HvinitStrings, CutsAndBaseNames) {
    char dst[16];
    char* cut = cut_at_dot("QDB.EXE.1", dst, sizeof dst);
    EXPECT_STREQ(dst, "QDB");
    EXPECT_EQ(cut, dst + 3);
    EXPECT_EQ(cut_at_dot("qdb", dst, sizeof dst), nullptr);
    EXPECT_STREQ(dst, "qdb");
    cut = cut_at_bar("/bin/p|-x|y", dst, sizeof dst);
    EXPECT_STREQ(dst, "/bin/p");
    EXPECT_EQ(cut, dst + 6);
    EXPECT_EQ(cut_at_bar("/bin/p", dst, sizeof dst), nullptr);
    // A source longer than the destination is cut, and still terminated.
    EXPECT_EQ(cut_at_bar("/a/very/long/program|x", dst, sizeof dst), nullptr);
    EXPECT_STREQ(dst, "/a/very/long/pr");

    struct Case {
        const char* command;
        const char* name;
    };
    const Case cases[] = {
        {"/usr/bin/(daemon)|-x", "daemon"},
        {"/usr/bin/qdb|-a|-b", "qdb"},
        {"qdb", "qdb"},
        {"(x)y)z", "x)y"},    // from the last ')' on
        {"((d)", "(d"},       // one leading '(' only
        {"/dir/", ""},
        {"|args", ""},
    };
    char name[64];
    for (const Case& c : cases) EXPECT_STREQ(proc_base_name(c.command, name, sizeof name), c.name) << c.command;
    char tiny[4];
    EXPECT_STREQ(proc_base_name("/bin/longname", tiny, sizeof tiny), "lon");
}

TEST_F(HvinitStrings, FindSubstring) {
    const char* text = "a::b::c";
    EXPECT_EQ(find_substring(text, "::"), text + 1);
    EXPECT_EQ(find_substring(text, ""), text);
    EXPECT_EQ(find_substring(text, "x"), nullptr);
}

}  // namespace
