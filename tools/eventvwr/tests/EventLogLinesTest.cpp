// The event log read back for the viewer: whole lines only, newest kept.
#include "EventLogLines.h"

#include <gtest/gtest.h>

namespace eventvwr {
namespace {

TEST(EventLogLines, SixFieldLinesAreRowsAndOthersAreSkipped) {
    const std::string text =
        "2026-12-11 10:00:00\thvsvc\tinformation\t0\t0x00000001\tstarted\n"
        "garbage without tabs\n"
        "2026-12-11 10:00:01\ta\tb\n"
        "\tno\ttime\there\tat\tall\n"
        "2026-12-11 10:00:02\tqdb\terror\t3\t0xC0000005\ttext\twith a tab kept\n"
        "2026-12-11 10:00:03\thvsvc\twarning\t0\t0x00000002\tlast, no newline";
    const std::vector<EventRow> rows = ParseEventLog(text);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].source, "hvsvc");
    EXPECT_EQ(rows[1].id, "0xC0000005");
    EXPECT_EQ(rows[1].text, "text\twith a tab kept");
    EXPECT_EQ(rows[2].text, "last, no newline");
    const std::vector<EventRow> newest = ParseEventLog(text, 2);
    ASSERT_EQ(newest.size(), 2u);
    EXPECT_EQ(newest[0].source, "qdb");
}

}  // namespace
}  // namespace eventvwr
