// Wildcard matching of process names.
#include "ProcessList.h"

#include <gtest/gtest.h>

namespace {

TEST(MatchPattern, Table) {
    struct Case {
        const char* name;
        const char* pattern;
        int match;
    };
    const Case cases[] = {
        {"notepad", "NOTE*", 1},
        {"notepad", "NOTEPAD", 1},
        {"NotePad", "NOTEPAD", 1},
        {"notepad", "notepad", 0},   // the pattern is compared as given: upper case
        {"notepad", "NOTE", 0},      // the whole name must be used up
        {"note", "NOTEPAD", 0},
        {"notepad", "*PAD", 1},
        {"notepad", "*", 1},
        {"", "*", 1},
        {"", "", 1},
        {"a", "", 0},
        {"notepad", "N*E*D", 1},
        {"notepad", "N*X*D", 0},
        {"notepad", "NOTEPA?", 1},
        {"notepad", "?OTEPAD", 1},
        {"notepa", "NOTEPA?", 0},
        {"qdb1", "QDB[0-9]", 1},
        {"qdbx", "QDB[0-9]", 0},
        {"qdbx", "QDB[A-Z]", 1},
        {"qdbx", "QDB[XYZ]", 1},
        {"qdbw", "QDB[XYZ]", 0},
        {"qdb-", "QDB[A-]", 1},      // a '-' at the end of a class is itself
        {"qdbz", "QDB[AB", 1},       // an unclosed class: any one character
        {"qdbzz", "QDB[AB", 0},
        {"qdbx", "QDB[]", 0},
        {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*A*A*A*A*A*A*C", 0},
        {"mississippi", "M*ISS*PI", 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(match_pattern(c.name, c.pattern), c.match) << c.name << " ~ " << c.pattern;
    EXPECT_EQ(match_pattern(nullptr, "*"), 0);
    EXPECT_EQ(match_pattern("a", nullptr), 0);
}

}  // namespace
