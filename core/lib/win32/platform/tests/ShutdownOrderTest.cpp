#include "platform/ShutdownOrder.h"
#include "platform/tests/TempSystemDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

using namespace portlib::platform;

namespace {

class ShutdownOrderTest : public hvtest::SystemDirTest {};

TEST_F(ShutdownOrderTest, LevelsAreRangeCheckedAndRecorded) {
    unsigned level = 0, flags = 0;
    ASSERT_TRUE(ShutdownOrder::GetParameters(&level, &flags));
    EXPECT_FALSE(ShutdownOrder::SetParameters(0x500, 0));
    ASSERT_TRUE(ShutdownOrder::SetParameters(0x3FD, 1));
    ASSERT_TRUE(ShutdownOrder::GetParameters(&level, &flags));
    EXPECT_EQ(level, 0x3FDu);
    EXPECT_EQ(flags, 1u);
    std::ifstream rec(ShutdownOrder::Directory() + "/" + std::to_string(::getpid()));
    unsigned l = 0, f = 0;
    rec >> l >> f;
    EXPECT_EQ(l, 0x3FDu);
    EXPECT_EQ(f, 1u);
    std::vector<ShutdownOrder::Entry> order;
    ASSERT_EQ(ShutdownOrder::Read(&order), 0);
    ASSERT_EQ(order.size(), 1u);
    EXPECT_EQ(order[0].pid, ::getpid());
}

TEST_F(ShutdownOrderTest, LiveProcessesInOrderAndGoneOnesDropped) {
    const unsigned levels[] = {1020, 1021, 1000};
    int ready[2], gate[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(gate), 0);
    std::vector<pid_t> kids;
    for (unsigned level : levels) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::close(gate[1]);
            char c = ShutdownOrder::SetParameters(level, 0) ? 'y' : 'n';
            if (::write(ready[1], &c, 1) != 1) ::_exit(2);
            while (::read(gate[0], &c, 1) < 0) {
            }
            ::_exit(0);
        }
        kids.push_back(pid);
    }
    ::close(gate[0]);
    for (std::size_t i = 0; i < kids.size(); ++i) {
        char c = 0;
        ASSERT_EQ(::read(ready[0], &c, 1), 1);
        EXPECT_EQ(c, 'y');
    }
    std::vector<ShutdownOrder::Entry> order;
    ASSERT_EQ(ShutdownOrder::Read(&order), 0);
    ASSERT_EQ(order.size(), 3u);
    EXPECT_EQ(order[0].pid, kids[1]);
    EXPECT_EQ(order[0].level, 1021u);
    EXPECT_EQ(order[1].pid, kids[0]);
    EXPECT_EQ(order[2].pid, kids[2]);
    ::close(gate[1]);
    for (pid_t pid : kids) ::waitpid(pid, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    // A record whose process has gone is ignored and removed.
    ASSERT_EQ(ShutdownOrder::Read(&order), 0);
    EXPECT_TRUE(order.empty());
    EXPECT_TRUE(std::filesystem::is_empty(ShutdownOrder::Directory()));
}

TEST_F(ShutdownOrderTest, ARecordOfAReusedPidIsNotTaken) {
    ASSERT_TRUE(ShutdownOrder::SetParameters(0x300, 0));
    // Same pid, another start time: the record is someone else's.
    std::ofstream(ShutdownOrder::Directory() + "/" + std::to_string(::getpid())) << "768 0 1\n";
    std::vector<ShutdownOrder::Entry> order;
    ASSERT_EQ(ShutdownOrder::Read(&order), 0);
    EXPECT_TRUE(order.empty());
}

}  // namespace
