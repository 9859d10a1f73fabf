// The event log read back for the viewer: whole lines only, newest kept.
#include "EventLogLines.h"

#include "TempSystemDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

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

class EventLogFile : public testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(sys_.Path() + "/log"); }
    std::string Path() const { return sys_.Path() + "/log/eventlog"; }
    hvtest::TempSystemDir sys_;
};

// A pipe in the log's place (nobody writing it) gives no rows and does not
// hold the reader.
TEST_F(EventLogFile, APipeInItsPlaceIsNotRead) {
    ASSERT_EQ(::mkfifo(Path().c_str(), 0600), 0);
    auto read = std::async(std::launch::async, [] { return ReadEventLog(); });
    if (read.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
        // Lets a reader blocked in the open go, so that the test can end.
        const int fd = ::open(Path().c_str(), O_WRONLY);
        if (fd >= 0) ::close(fd);
        FAIL() << "the reader waits on the pipe";
    }
    EXPECT_TRUE(read.get().empty());
}

// A file past the bound is read from its last kMaxFileBytes on, whole lines only.
TEST_F(EventLogFile, ALargeFileGivesItsNewestWholeLines) {
    const std::string line = "2026-12-11 10:00:00\thvsvc\tinformation\t0\t0x1\t" + std::string(200, 'x') + "\n";
    const std::size_t count = kMaxFileBytes / line.size() + 100;
    {
        std::ofstream out(Path(), std::ios::binary);
        for (std::size_t i = 0; i < count; ++i) out << line;
        out << "2026-12-11 10:00:01\tlast\terror\t0\t0x2\tend\n";
    }
    const std::vector<EventRow> rows = ReadEventLog();
    ASSERT_EQ(rows.size(), kMaxRows);
    EXPECT_EQ(rows.back().source, "last");
    for (const EventRow& r : rows) EXPECT_FALSE(r.time.empty());
}

}  // namespace
}  // namespace eventvwr
