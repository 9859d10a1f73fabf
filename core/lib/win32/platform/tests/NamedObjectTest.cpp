#include "platform/NamedObject.h"
#include "platform/SystemDir.h"
#include "platform/tests/ReadyChild.h"
#include "platform/tests/TempSystemDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <new>
#include <sys/mman.h>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace portlib::platform;

namespace {

class NamedObjectTest : public hvtest::SystemDirTest {
protected:
    void SetUp() override {
        ASSERT_EQ(EnsureSystemPath(SysArea::Shm, &dir_), 0);
        path_ = dir_ + "/obj";
    }
    static int WriteText(int fd, const std::string& text) {
        return ::pwrite(fd, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size()) ? 0 : errno;
    }
    static std::string ReadText(int fd) {
        char buf[64] = {};
        ssize_t n = ::pread(fd, buf, sizeof buf - 1, 0);
        return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
    }
    std::size_t EntriesInDir() const {
        std::size_t n = 0;
        for (auto& e : std::filesystem::directory_iterator(dir_)) {
            (void)e;
            ++n;
        }
        return n;
    }
    // A child that builds "child" at path_ (and publishes it) and then
    // holds it until killed.
    pid_t StartHolder(bool publish = true) {
        std::string path = path_;
        pid_t pid = hvtest::StartReadyChild([&] {
            static NamedObject obj;  // kept for the child's life
            if (obj.BeginCreate(path, 0660) != 0) return 1;
            if (WriteText(obj.Fd(), "child") != 0) return 1;
            return publish ? obj.Publish() : 0;
        });
        EXPECT_GT(pid, 0);
        return pid;
    }
    static void KillHard(pid_t pid) { hvtest::KillAndReap(pid); }

    std::string dir_;
    std::string path_;
};

TEST_F(NamedObjectTest, BuiltObjectIsInvisibleUntilPublishedAndDiesWithItsLastHandle) {
    NamedObject none;
    EXPECT_EQ(none.Open(path_), ENOENT);

    NamedObject creator;
    ASSERT_EQ(creator.BeginCreate(path_, 0640), 0);
    ASSERT_EQ(WriteText(creator.Fd(), "built"), 0);
    EXPECT_FALSE(creator.IsPublished());
    NamedObject early;
    EXPECT_EQ(early.Open(path_), ENOENT);  // half built: not there
    EXPECT_FALSE(NamedObject::IsLive(path_));

    ASSERT_EQ(creator.Publish(), 0);
    EXPECT_TRUE(creator.IsPublished());
    struct stat st {};
    ASSERT_EQ(::stat(path_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    NamedObject second;
    ASSERT_EQ(second.Open(path_), 0);
    EXPECT_EQ(ReadText(second.Fd()), "built");
    EXPECT_TRUE(NamedObject::IsLive(path_));

    creator.Close();
    EXPECT_TRUE(NamedObject::IsLive(path_));  // one handle left
    second.Close();
    EXPECT_FALSE(NamedObject::IsLive(path_));
    NamedObject late;
    EXPECT_EQ(late.Open(path_), ENOENT);
    EXPECT_FALSE(std::filesystem::exists(path_));  // the stale file was removed
    EXPECT_EQ(EntriesInDir(), 0u);
}

TEST_F(NamedObjectTest, FileLeftFromBeforeARebootCountsAsAbsent) {
    int fd = ::open(path_.c_str(), O_RDWR | O_CREAT, 0660);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(WriteText(fd, "stale"), 0);
    ::close(fd);

    NamedObject obj;
    bool created = false;
    ASSERT_EQ(obj.OpenOrCreate(path_, 0660, [](int f) { return WriteText(f, "fresh"); }, &created), 0);
    EXPECT_TRUE(created);
    EXPECT_EQ(ReadText(obj.Fd()), "fresh");

    NamedObject again;
    ASSERT_EQ(again.OpenOrCreate(path_, 0660, [](int) { return EIO; }, &created), 0);
    EXPECT_FALSE(created);  // the live one is opened, the build not run
    EXPECT_EQ(ReadText(again.Fd()), "fresh");
}

TEST_F(NamedObjectTest, SecondPublisherOfALiveNameGetsEexistAndLeavesNoFile) {
    NamedObject first;
    ASSERT_EQ(first.BeginCreate(path_, 0660), 0);
    ASSERT_EQ(WriteText(first.Fd(), "first"), 0);
    NamedObject second;
    ASSERT_EQ(second.BeginCreate(path_, 0660), 0);
    ASSERT_EQ(WriteText(second.Fd(), "second"), 0);

    ASSERT_EQ(first.Publish(), 0);
    EXPECT_EQ(second.Publish(), EEXIST);
    EXPECT_FALSE(second.IsOpen());

    NamedObject reader;
    ASSERT_EQ(reader.Open(path_), 0);
    EXPECT_EQ(ReadText(reader.Fd()), "first");
    EXPECT_EQ(EntriesInDir(), 1u);

    // A build that fails leaves nothing either.
    NamedObject failing;
    bool created = true;
    first.Close();
    reader.Close();
    EXPECT_EQ(failing.OpenOrCreate(path_, 0660, [](int) { return ENOSPC; }, &created), ENOSPC);
    EXPECT_FALSE(created);
    EXPECT_EQ(EntriesInDir(), 0u);
}

TEST_F(NamedObjectTest, HolderKilledWithSigkillLeavesNothingThatCounts) {
    pid_t holder = StartHolder();
    NamedObject seen;
    ASSERT_EQ(seen.Open(path_), 0);
    EXPECT_EQ(ReadText(seen.Fd()), "child");
    seen.Close();
    EXPECT_TRUE(NamedObject::IsLive(path_));

    KillHard(holder);
    EXPECT_FALSE(NamedObject::IsLive(path_));
    NamedObject after;
    EXPECT_EQ(after.Open(path_), ENOENT);
    EXPECT_EQ(EntriesInDir(), 0u);
}

TEST_F(NamedObjectTest, BuilderKilledBeforePublishingLeavesNoObjectAndItsFileIsSwept) {
    pid_t builder = StartHolder(false);
    EXPECT_EQ(EntriesInDir(), 1u);  // its temporary file
    NamedObject none;
    EXPECT_EQ(none.Open(path_), ENOENT);
    KillHard(builder);
    EXPECT_EQ(EntriesInDir(), 1u);

    NamedObject next;
    ASSERT_EQ(next.BeginCreate(path_, 0660), 0);
    ASSERT_EQ(next.Publish(), 0);
    EXPECT_EQ(EntriesInDir(), 1u);  // the dead builder's file is gone
    EXPECT_EQ(ReadText(next.Fd()), "");
}

TEST_F(NamedObjectTest, ProcessesRacingToCreateShareOneObject) {
    constexpr int kProcs = 8;
    int created[2];
    ASSERT_EQ(::pipe(created), 0);
    std::string path = path_;
    // Past the check, each process stays until all are, so that none finds
    // the object held by nobody and builds a second one.
    void* mem = ::mmap(nullptr, sizeof(std::atomic<int>), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mem, MAP_FAILED);
    auto* past = new (mem) std::atomic<int>(0);
    int ok = hvtest::RunTogether(kProcs, [&](int i) {
        NamedObject obj;
        bool made = false;
        std::string mine = "p" + std::to_string(i);
        if (obj.OpenOrCreate(path, 0660, [&](int fd) { return WriteText(fd, mine); }, &made) != 0) return 1;
        if (made) (void)!::write(created[1], "c", 1);
        std::string text = ReadText(obj.Fd());
        // Each process reports the content it sees; all must agree.
        if (text.empty() || text[0] != 'p') return 2;
        struct stat a {}, b {};
        if (::fstat(obj.Fd(), &a) != 0 || ::stat(path.c_str(), &b) != 0) return 3;
        if (a.st_ino != b.st_ino) return 4;
        past->fetch_add(1);
        for (int t = 0; t < 10000 && past->load() < kProcs; ++t) ::usleep(1000);
        return 0;
    });
    EXPECT_EQ(ok, kProcs);
    ::close(created[1]);
    char buf[kProcs + 1];
    ssize_t n = ::read(created[0], buf, sizeof buf);
    ::close(created[0]);
    EXPECT_EQ(n, 1);  // exactly one process built it
    ::munmap(mem, sizeof(std::atomic<int>));
}

}  // namespace
