// The HV-init table: layout, a fresh table, and its lifetime across processes.
#include "AdminGroupSetting.h"
#include "HvinitEventLog.h"
#include "TempSystemDir.h"
#include "libHVinit.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using hvinit::HvinitTable;

class HvinitShm : public hvtest::SystemDirTest {
protected:
    void TearDown() override { hvi_shm_remove(); }

    std::string TablePath() const { return sys_.Path() + "/run/shm/hvinit-shm"; }

    static void ExpectFresh(const HvinitTable* t) {
        EXPECT_EQ(t->header.freeSlots, 128);
        EXPECT_EQ(t->header.pipeHandle, -1);
        EXPECT_EQ(t->header.serverReady, 0);
        EXPECT_EQ(t->header.systemName[0], '\0');
        for (int g = 0; g <= hvinit::kGroupCount; ++g) EXPECT_EQ(t->header.groupStates[g], 0) << g;
        for (const hvinit::HvinitSlot& s : t->slots) {
            EXPECT_EQ(s.inUse, 0);
            EXPECT_EQ(s.lastStartedPid, -1);
            EXPECT_EQ(s.exitValue, -1);
        }
    }
};

// Runs body in a child that reports through its exit status (0 = as expected).
template <typename Body>
int InChild(Body body) {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(body());
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

TEST_F(HvinitShm, AFreshTable) {
    ASSERT_EQ(hvi_shm_create(), 1);
    auto* t = static_cast<HvinitTable*>(hvi_shm_attach());
    ASSERT_NE(t, nullptr);
    ExpectFresh(t);
    // The raw bytes at the fixed offsets, as another program reads them.
    const auto* bytes = reinterpret_cast<const unsigned char*>(t);
    std::int32_t word;
    std::memcpy(&word, bytes + 612 + 476 * 5 + 468, 4);
    EXPECT_EQ(word, -1);
    std::memcpy(&word, bytes + 612 + 476 * 127 + 472, 4);
    EXPECT_EQ(word, -1);
    EXPECT_EQ(hvi_shm_detach(t), 0);

    struct stat st {};
    ASSERT_EQ(::stat(TablePath().c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 61540);
    EXPECT_EQ(st.st_mode & 0777, 0660u);
}

TEST_F(HvinitShm, TheTableBelongsToTheAdminGroup) {
    if (::geteuid() != 0) GTEST_SKIP() << "giving a file another group needs root here";
    ASSERT_EQ(hvtest::SetAdminGroup("1"), 0);
    ASSERT_EQ(hvi_shm_create(), 1);
    struct stat st {};
    ASSERT_EQ(::stat(TablePath().c_str(), &st), 0);
    EXPECT_EQ(st.st_gid, 1u);
    EXPECT_EQ(st.st_mode & 0777, 0660u);
}

TEST_F(HvinitShm, ASecondCreateFindsTheTableAndItsContent) {
    ASSERT_EQ(hvi_shm_create(), 1);
    auto* t = static_cast<HvinitTable*>(hvi_shm_attach());
    ASSERT_NE(t, nullptr);
    t->header.serverPid = 4242;
    std::strcpy(t->slots[3].command, "/bin/prog|-x");

    // Another process: -2, and the old content through its own handle.
    EXPECT_EQ(InChild([] {
                  if (hvi_shm_create() != -2) return 1;
                  auto* c = static_cast<HvinitTable*>(hvi_shm_attach());
                  if (c == nullptr || c->header.serverPid != 4242) return 2;
                  if (std::strcmp(c->slots[3].command, "/bin/prog|-x") != 0) return 3;
                  c->slots[3].pid = 77;  // writes are seen by everyone
                  return 0;
              }),
              0);
    EXPECT_EQ(t->slots[3].pid, 77);

    // This process again: the new handle replaces the kept one, content unchanged.
    EXPECT_EQ(hvi_shm_create(), -2);
    auto* again = static_cast<HvinitTable*>(hvi_shm_attach());
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->header.serverPid, 4242);
    EXPECT_EQ(hvi_shm_detach(again), 0);
    EXPECT_EQ(hvi_shm_detach(t), 0);
}

TEST_F(HvinitShm, ATableWhoseHoldersAllDiedIsGoneAndIsCreatedFresh) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t creator = ::fork();
    if (creator == 0) {
        ::close(ready[0]);
        if (hvi_shm_create() != 1) ::_exit(1);
        auto* t = static_cast<HvinitTable*>(hvi_shm_attach());
        if (t == nullptr) ::_exit(2);
        t->header.freeSlots = 120;
        t->header.groupStates[5] = hvinit::kGroupUsed;
        t->slots[0].inUse = 1;
        (void)!::write(ready[1], "r", 1);
        for (;;) ::pause();
    }
    ::close(ready[1]);
    char c;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ::close(ready[0]);

    // While the creator lives the table is there.
    EXPECT_EQ(InChild([] { return hvi_shm_get() == 1 ? 0 : 1; }), 0);

    ::kill(creator, SIGKILL);
    ::waitpid(creator, nullptr, 0);
    EXPECT_EQ(hvi_shm_get(), -1);  // the file is left, but nobody holds it
    ASSERT_EQ(hvi_shm_create(), 1);
    auto* t = static_cast<HvinitTable*>(hvi_shm_attach());
    ASSERT_NE(t, nullptr);
    ExpectFresh(t);
    EXPECT_EQ(hvi_shm_detach(t), 0);
}

TEST_F(HvinitShm, AViewKeepsTheTableAfterItsHandleIsClosed) {
    ASSERT_EQ(hvi_shm_create(), 1);
    auto* t = static_cast<HvinitTable*>(hvi_shm_attach());
    ASSERT_NE(t, nullptr);
    t->header.serverPid = 99;
    EXPECT_EQ(hvi_shm_remove(), 0);
    EXPECT_EQ(InChild([] {
                  if (hvi_shm_get() != 1) return 1;
                  auto* c = static_cast<HvinitTable*>(hvi_shm_attach());
                  return c != nullptr && c->header.serverPid == 99 ? 0 : 2;
              }),
              0);
    EXPECT_EQ(hvi_shm_detach(t), 0);
    EXPECT_EQ(hvi_shm_get(), -1);  // the last view went with the detach
}

TEST_F(HvinitShm, CallsWithoutATable) {
    EXPECT_EQ(hvi_shm_get(), -1);
    EXPECT_EQ(hvi_shm_attach(), nullptr);
    EXPECT_EQ(hvi_shm_remove(), 0);
    EXPECT_EQ(hvi_shm_detach(nullptr), 0);
    EXPECT_EQ(hvi_shm_detach(reinterpret_cast<void*>(-1)), 0);
    EXPECT_EQ(hvtest::Reports(19644).size(), 1u);
    EXPECT_EQ(hvtest::Reports(19643).size(), 1u);
    EXPECT_TRUE(hvtest::Reports(19645).empty());
}

TEST_F(HvinitShm, AHeldFileOfTheWrongSizeIsNeverMapped) {
    ASSERT_EQ(hvi_shm_create(), 1);
    ASSERT_EQ(::truncate(TablePath().c_str(), 100), 0);
    EXPECT_EQ(InChild([] { return hvi_shm_get() == -1 && hvi_shm_create() == -1 ? 0 : 1; }), 0);
}

}  // namespace
