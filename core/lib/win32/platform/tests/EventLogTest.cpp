#include "platform/EventLog.h"
#include "TempSystemDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <string>
#include <vector>

using namespace portlib::platform;

namespace {

std::vector<std::string> LogLines(const std::string& sys) {
    std::ifstream in(sys + "/log/eventlog");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace

using EventLogTest = hvtest::SystemDirTest;

TEST_F(EventLogTest, AppendsOneFlatLinePerReport) {
    ASSERT_EQ(ReportEventLog("Holdervane", EventType::Warning, 3, 0x80030002u, "two\tparts\nand a line"), 0);
    ASSERT_EQ(ReportEventLog("Src\tX", EventType::Information, 0, 0x40020001u, ""), 0);
    auto lines = LogLines(sys_.Path());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(std::regex_match(lines[0], std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\tHoldervane\twarning\t3\t0x80030002\ttwo parts and a line)")))
        << lines[0];
    EXPECT_TRUE(std::regex_match(lines[1], std::regex(R"(.*\tSrc X\tinformation\t0\t0x40020001\t)"))) << lines[1];
}

TEST_F(EventLogTest, LinesOfManyProcessesStayWhole) {
    constexpr int kProcs = 6, kEach = 50;
    const std::string text(3000, 'z');
    int ok = hvtest::RunTogether(kProcs, [&](int i) {
        for (int n = 0; n < kEach; ++n)
            if (ReportEventLog("P" + std::to_string(i), EventType::Error, 1, 0xC0010003u, text) != 0) return 1;
        return 0;
    });
    ASSERT_EQ(ok, kProcs);
    auto lines = LogLines(sys_.Path());
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kProcs * kEach));
    for (const auto& line : lines) ASSERT_EQ(line.substr(line.size() - text.size()), text);
}
