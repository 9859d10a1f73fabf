// Table files: whole-file replacement that survives a kill at any moment and
// a full file system, reads bounded by the caller's buffer, directory lists.
#include "ChildReport.h"
#include "qdberr.h"
#include "qdbfile.h"
#include "qdbpaths.h"

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/stat.h>
#include <vector>

namespace fs = std::filesystem;
using cfgtest::ChildResult;
using cfgtest::RunChild;

namespace {

class TableFiles : public ::testing::Test {
protected:
    TableFiles() : root_(sys_.Path() + "/root") {
        fs::create_directories(root_);
        pQdb_rootdir = root_.data();
        qdberrclr();
    }
    ~TableFiles() override {
        pQdb_rootdir = nullptr;
        qdberrclr();
    }
    std::string Path(const std::string& rel) const { return root_ + "/" + rel; }
    void Put(const std::string& rel, const std::string& bytes) {
        fs::create_directories(fs::path(Path(rel)).parent_path());
        std::ofstream(Path(rel), std::ios::binary) << bytes;
    }
    static std::string Kept() { return Qdb_errbuf ? Qdb_errbuf : ""; }
    // Entries of a directory other than the table files themselves.
    std::vector<std::string> Leftovers(const std::string& rel) const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(Path(rel)))
            if (e.path().filename().string().rfind(".tmp", 0) == 0) names.push_back(e.path().filename());
        return names;
    }

    hvtest::TempSystemDir sys_;
    std::string root_;
};

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

}  // namespace

TEST_F(TableFiles, WriteMakesTheDirectoryAndKeepsTheFileMode) {
    const std::string text = "line one\nline two\n";
    ASSERT_EQ(qdbwritefile("subsys/app/resources/typ", "instances", static_cast<int>(text.size()), text.data()), 0);
    EXPECT_EQ(cfgtest::ReadFile(Path("subsys/app/resources/typ/instances")), text);
    EXPECT_EQ(ModeOf(Path("subsys/app/resources/typ/instances")), 0600u);
    EXPECT_EQ(ModeOf(Path("subsys/app/resources/typ")), 0700u);

    ::chmod(Path("subsys/app/resources/typ/instances").c_str(), 0640);
    ASSERT_EQ(qdbwritefile("subsys/app/resources/typ", "instances", 3, "new"), 0);
    EXPECT_EQ(cfgtest::ReadFile(Path("subsys/app/resources/typ/instances")), "new");
    EXPECT_EQ(ModeOf(Path("subsys/app/resources/typ/instances")), 0640u);
    ASSERT_EQ(qdbwritefile("config", "flg", 0, nullptr), 0);
    EXPECT_EQ(cfgtest::ReadFile(Path("config/flg")), "");
    EXPECT_TRUE(Leftovers("subsys/app/resources/typ").empty());
}

TEST_F(TableFiles, FailedWritesKeepTheOldFileAndReport) {
    Put("config/systems", "old");
    Put("blocked", "a file where a directory should be");
    EXPECT_EQ(qdbwritefile("blocked/sub", "x", 1, "x"), -1);
    EXPECT_EQ(Qdb_errno, QDB_UNIX);
    EXPECT_NE(Kept().find("(No. 1295) mkdirp(" + Path("blocked/sub") + ") failed"), std::string::npos) << Kept();
    qdberrclr();

    fs::create_directories(Path("config/dir"));  // a directory cannot be replaced by a file
    EXPECT_EQ(qdbwritefile("config", "dir", 3, "new"), -1);
    EXPECT_NE(Kept().find("rename(" + Path("config/dir") + ") failed"), std::string::npos) << Kept();
    EXPECT_TRUE(fs::is_directory(Path("config/dir")));
    EXPECT_TRUE(Leftovers("config").empty());
    EXPECT_EQ(cfgtest::ReadFile(Path("config/systems")), "old");
    qdberrclr();

    EXPECT_EQ(qdbwritefile("config", "systems", -1, "x"), -1);
    EXPECT_EQ(Qdb_errno, QDB_ARGS);
}

TEST_F(TableFiles, ReadIsBoundedByTheBuffer) {
    std::vector<char> buf(kQdbReadMax, 'Z');
    EXPECT_EQ(qdbreadfile("config/missing", buf.data()), 0);
    EXPECT_EQ(buf[0], '\0');
    EXPECT_EQ(Qdb_errno, 0);

    Put("config/big", std::string(kQdbReadMax - 1, 'b'));
    EXPECT_EQ(qdbreadfile("config/big", buf.data()), kQdbReadMax - 1);
    EXPECT_EQ(buf[kQdbReadMax - 1], '\0');
    EXPECT_EQ(buf[kQdbReadMax - 2], 'b');

    Put("config/big", std::string(kQdbReadMax, 'b'));
    EXPECT_EQ(qdbreadfile("config/big", buf.data()), -1);
    EXPECT_EQ(Qdb_errno, QDB_INT);
    EXPECT_NE(Kept().find("read buffer overflow (MAX=500000)"), std::string::npos) << Kept();
    qdberrclr();

    // The internal form takes any buffer size.
    char small[8];
    Put("config/seven", "1234567");
    EXPECT_EQ(cfgstore::ReadTableFile("config/seven", small, sizeof small), 7);
    EXPECT_STREQ(small, "1234567");
    Put("config/eight", "12345678");
    EXPECT_EQ(cfgstore::ReadTableFile("config/eight", small, sizeof small), -1);
    qdberrclr();

    fs::create_directories(Path("config/adir"));
    EXPECT_EQ(qdbreadfile("config/adir", buf.data()), -1);
    EXPECT_EQ(Qdb_errno, QDB_UNIX);
    EXPECT_NE(Kept().find("read(" + Path("config/adir") + ") failed"), std::string::npos) << Kept();
}

TEST_F(TableFiles, DirectoryListSkipsDotEntries) {
    std::vector<char> out(kQdbReadMax, 'Z');
    EXPECT_EQ(qdbreaddirent("subsys", out.data()), 0);
    EXPECT_STREQ(out.data(), "");
    fs::create_directories(Path("subsys/x"));
    fs::create_directories(Path("subsys/.hidden"));
    Put("subsys/y", "");
    Put("subsys/.tmp-1-2-3", "");
    ASSERT_EQ(qdbreaddirent("subsys", out.data()), 0);
    std::string got = out.data();
    EXPECT_TRUE(got == "x\x01y" || got == "y\x01x") << got;

    fs::create_directories(Path("empty"));
    ASSERT_EQ(qdbreaddirent("empty", out.data()), 0);
    EXPECT_STREQ(out.data(), "");

    char small[4];
    EXPECT_EQ(cfgstore::ReadDirEntries("subsys", small, sizeof small), -1);
    EXPECT_STREQ(small, "");
    qdberrclr();

    EXPECT_EQ(qdbreaddirent("subsys/y", out.data()), -1);  // exists, but is no directory
    EXPECT_NE(Kept().find("opendir(" + Path("subsys/y") + ") failed"), std::string::npos) << Kept();
}

// A writer replaces one table file over and over and is killed at random
// moments: whatever moment it dies, the file is one whole version.
TEST_F(TableFiles, KilledWriterLeavesOldOrNewContent) {
    const std::string a(8192, 'a'), b = std::string(5000, 'b') + "end";
    Put("config/systems", a);
    std::mt19937 rng(12345);
    for (int round = 0; round < 25; ++round) {
        // The writer reports each finished write; it is killed after a random
        // number of them, somewhere inside the next one.
        int done[2];
        ASSERT_EQ(::pipe(done), 0);
        pid_t pid = ::fork();
        if (pid == 0) {
            ::close(done[0]);
            for (int i = 0; i < 1000; ++i) {
                const std::string& next = i % 2 ? a : b;
                if (qdbwritefile("config", "systems", static_cast<int>(next.size()), next.data()) != 0) ::_exit(1);
                (void)!::write(done[1], "w", 1);
            }
            ::_exit(0);
        }
        ::close(done[1]);
        ASSERT_GT(pid, 0);
        char w;
        for (int n = std::uniform_int_distribution<int>(0, 40)(rng); n > 0 && ::read(done[0], &w, 1) == 1; --n) {
        }
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        ::close(done[0]);
        std::string now = cfgtest::ReadFile(Path("config/systems"));
        ASSERT_TRUE(now == a || now == b) << "round " << round << ": " << now.size() << " bytes";
    }
}

// On a full file system the write fails, the old file stays whole and no
// temporary file is left behind. Runs in its own mount namespace.
TEST_F(TableFiles, FullFileSystemKeepsTheOldFile) {
    fs::create_directories(Path("small"));
    const std::string small = Path("small");
    ChildResult r = RunChild([&] {
        if (::unshare(CLONE_NEWNS) != 0) return 77;
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return 77;
        if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k") != 0) return 77;
        set_errinfo("writer", "qdb", 0, nullptr);
        std::string old(20000, 'o'), big(100000, 'n');
        if (qdbwritefile("small/config", "systems", static_cast<int>(old.size()), old.data()) != 0) return 10;
        if (qdbwritefile("small/config", "systems", static_cast<int>(big.size()), big.data()) != -1) return 11;
        if (Qdb_errno != QDB_UNIX) return 12;
        std::string kept = Qdb_errbuf ? Qdb_errbuf : "";
        if (kept.find("write(" + small + "/config/systems) failed") == std::string::npos) return 13;
        if (cfgtest::ReadFile(small + "/config/systems") != old) return 14;
        for (const auto& e : fs::directory_iterator(small + "/config"))
            if (e.path().filename() != "systems") return 15;
        return 0;
    });
    if (r.exitCode == 77) GTEST_SKIP() << "no permission for a private tmpfs";
    EXPECT_EQ(r.exitCode, 0) << r.err;
}

TEST(TextUtil, StrscanSplitsFieldsInPlace) {
    char text[] = "a\x01" "b\nc";
    char* field = nullptr;
    char sep = 'x';
    char* next = qdbstrscan(text, &field, &sep);
    EXPECT_STREQ(field, "a");
    EXPECT_EQ(sep, '\x01');
    next = qdbstrscan(next, &field, &sep);
    EXPECT_STREQ(field, "b");
    EXPECT_EQ(sep, '\n');
    next = qdbstrscan(next, &field, &sep);
    EXPECT_STREQ(field, "c");
    EXPECT_EQ(sep, '\0');
    EXPECT_EQ(next, nullptr);

    field = nullptr;
    sep = 'x';
    EXPECT_EQ(qdbstrscan(nullptr, &field, &sep), nullptr);
    EXPECT_STREQ(field, "");
    EXPECT_EQ(sep, '\0');

    char skip[] = "one\x01two";  // fields the caller skips
    EXPECT_STREQ(qdbstrscan(skip, nullptr, nullptr), "two");
    char empty[] = "\x01\x01";
    char* f = nullptr;
    char* rest = qdbstrscan(empty, &f, nullptr);
    EXPECT_STREQ(f, "");
    EXPECT_STREQ(rest, "\x01");
}

TEST(TextUtil, SavcpyAndSavcatTreatNullAsEmpty) {
    struct Case { const char* a; const char* b; const char* joined; };
    const Case cases[] = {{nullptr, nullptr, ""}, {nullptr, "text", "text"}, {"text", nullptr, "text"}, {"ab", "cd", "abcd"}};
    for (const Case& c : cases) {
        char* s = qdbsavcat(c.a, c.b);
        EXPECT_STREQ(s, c.joined);
        EXPECT_NE(s, c.a);
        qdbfreeit(s);
    }
    char* copy = qdbsavcpy(nullptr);
    EXPECT_STREQ(copy, "");
    qdbfreeit(copy);
    qdbfreeit(nullptr);
}

TEST(TextUtil, FailedAllocationEndsWithThree) {
    hvtest::TempSystemDir sys;
    ChildResult r = RunChild([] {
        set_errinfo("alloc", "qdb", 0, nullptr);
        void* p = qdbnalloc(~std::size_t{0} - 4096);
        cfgtest::Note(p ? "returned" : "null");
        return 0;
    });
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.note, "");
    EXPECT_NE(r.err.find("*ERROR* (No. 1047) qdbnalloc: malloc failure"), std::string::npos) << r.err;
}
