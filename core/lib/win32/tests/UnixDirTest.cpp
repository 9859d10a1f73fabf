#include "UnixDir.h"
#include "platform/tests/TempSystemDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <sys/stat.h>

namespace {

std::multiset<std::string> ReadAll(portlib::DIR* d) {
    std::multiset<std::string> names;
    while (portlib::dirent* e = portlib::readdir(d)) {
        EXPECT_EQ(e->d_reclen, std::strlen(e->d_name) + 12);
        names.insert(e->d_name);
    }
    return names;
}

class UnixDirTest : public hvtest::SystemDirTest {};

TEST_F(UnixDirTest, ListsEveryNameAndRewinds) {
    std::string dir = sys_.Path() + "/d";
    ASSERT_EQ(::mkdir(dir.c_str(), 0770), 0);
    portlib::DIR* d = portlib::opendir(dir.c_str());
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(ReadAll(d), (std::multiset<std::string>{".", ".."}));
    EXPECT_EQ(portlib::readdir(d), nullptr);  // stays at the end
    EXPECT_EQ(portlib::closedir(d), 0);

    std::ofstream(dir + "/one") << "1";
    ASSERT_EQ(::mkdir((dir + "/two").c_str(), 0770), 0);
    d = portlib::opendir(dir.c_str());
    ASSERT_NE(d, nullptr);
    const std::multiset<std::string> all{".", "..", "one", "two"};
    EXPECT_EQ(ReadAll(d), all);
    portlib::rewinddir(d);
    EXPECT_EQ(ReadAll(d), all);
    EXPECT_EQ(portlib::closedir(d), 0);
}

TEST_F(UnixDirTest, MissingAndNull) {
    EXPECT_EQ(portlib::opendir((sys_.Path() + "/absent").c_str()), nullptr);
    EXPECT_EQ(portlib::opendir(nullptr), nullptr);
    std::ofstream(sys_.Path() + "/file") << "x";
    EXPECT_EQ(portlib::opendir((sys_.Path() + "/file").c_str()), nullptr);
    EXPECT_EQ(portlib::readdir(nullptr), nullptr);
    EXPECT_EQ(portlib::closedir(nullptr), -1);
    portlib::rewinddir(nullptr);
}

}  // namespace
