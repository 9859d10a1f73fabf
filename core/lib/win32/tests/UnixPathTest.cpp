#include "UnixPath.h"
#include "platform/tests/TempSystemDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>

namespace {

TEST(Basename, CutsTrailingSeparatorsInPlace) {
    struct Case {
        const char* in;
        const char* result;
        const char* leftInBuffer;
    };
    const Case cases[] = {
        {"a/b/c//", "c", "a/b/c"},
        {"abc", "abc", "abc"},
        {"C:\\dir\\file.txt  ", "file.txt", "C:\\dir\\file.txt"},
        {"/usr/lib/", "lib", "/usr/lib"},
        {"dir\\", "dir", "dir"},
        {"/", "", "/"},  // the first character is never removed
        {"", "", ""},
    };
    for (const auto& c : cases) {
        std::string buf = c.in;
        buf.push_back('\0');
        char* r = portlib::basename(buf.data());
        EXPECT_STREQ(r, c.result) << c.in;
        EXPECT_STREQ(buf.c_str(), c.leftInBuffer) << c.in;
    }
    EXPECT_STREQ(portlib::basename(nullptr), "");
}

TEST(Dirname, DirectoryParts) {
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"file", "."},
        {"..", "."},
        {".", "."},
        {"a", "."},
        {"", "."},
        {"   ", "."},
        {"a/b/", "a"},
        {"a/b", "a"},
        {"  a/b", "a"},
        {"a//b", "a"},
        {"/var/lib/holdervane", "/var/lib"},
        {"/file", "/"},  // below the root: the root, not "."
        {"/", "/"},
        {"//file", "/"},
        {"C:\\file", "C:\\"},
        {"C:\\dir\\file", "C:\\dir"},
        {"dir\\sub\\", "dir"},
    };
    for (const auto& c : cases) EXPECT_STREQ(portlib::dirname(c.in), c.out) << c.in;
    EXPECT_STREQ(portlib::dirname(nullptr), ".");
}

TEST(Dirname, LongPathsAreNotCut) {
    std::string dir = "/" + std::string(400, 'd') + "/" + std::string(300, 'e');
    std::string path = dir + "/file";
    EXPECT_EQ(std::string(portlib::dirname(path.c_str())), dir);
}

class MkdirpTest : public hvtest::SystemDirTest {
protected:
    static bool IsDir(const std::string& p) {
        struct stat st {};
        return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }
};

TEST_F(MkdirpTest, CreatesEveryLevel) {
    const std::string base = sys_.Path();
    struct Case {
        std::string path;
        std::string made;
    };
    const Case cases[] = {
        {base + "/a/b/c", base + "/a/b/c"},
        {base + "\\d1\\d2\\d3", base + "/d1/d2/d3"},  // either separator
        {"  " + base + "/e//f/", base + "/e/f"},
        {base + "/a/b/c", base + "/a/b/c"},  // existing: success
    };
    for (const auto& c : cases) {
        errno = 0;
        EXPECT_EQ(portlib::mkdirp(c.path.c_str()), 0) << c.path << " errno " << errno;
        EXPECT_TRUE(IsDir(c.made)) << c.made;
    }
}

TEST_F(MkdirpTest, Failures) {
    const std::string base = sys_.Path();
    std::ofstream(base + "/plain") << "x";
    struct Case {
        const char* what;
        std::string path;
        int err;
    };
    const Case cases[] = {
        {"a file on the path", base + "/plain/sub", EACCES},
        {"the last name is a file", base + "/plain", EACCES},
        {"empty", "   ", EINVAL},
    };
    for (const auto& c : cases) {
        errno = 0;
        EXPECT_EQ(portlib::mkdirp(c.path.c_str()), -1) << c.what;
        EXPECT_EQ(errno, c.err) << c.what;
    }
    errno = 0;
    EXPECT_EQ(portlib::mkdirp(nullptr), -1);
    EXPECT_EQ(errno, EINVAL);
}

TEST_F(MkdirpTest, ModeIsPassedOn) {
    ::umask(0);
    std::string p = sys_.Path() + "/m1/m2";
    ASSERT_EQ(portlib::mkdirp(p.c_str(), 0700), 0);
    struct stat st {};
    ASSERT_EQ(::stat(p.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ASSERT_EQ(portlib::mkdirp((sys_.Path() + "/m3").c_str()), 0);
    ASSERT_EQ(::stat((sys_.Path() + "/m3").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0770u);
    ::umask(022);
}

TEST_F(MkdirpTest, ProcessesBuildingOneTreeAtOnceAllSucceed) {
    const std::string deep = sys_.Path() + "/t/u/v/w/x/y/z";
    for (int round = 0; round < 5; ++round) {
        std::string path = deep + std::to_string(round);
        int ok = hvtest::RunTogether(6, [&path](int) { return portlib::mkdirp(path.c_str()) == 0 ? 0 : 1; });
        EXPECT_EQ(ok, 6) << path;
        EXPECT_TRUE(IsDir(path));
    }
}

}  // namespace
