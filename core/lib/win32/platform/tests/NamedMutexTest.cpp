#include "platform/NamedMutex.h"
#include "platform/SharedSegment.h"
#include "platform/tests/ReadyChild.h"
#include "platform/tests/TempSystemDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdint>

using namespace portlib::platform;
using Wait = NamedMutex::WaitResult;

namespace {

constexpr const char* kName = "Test-sem";

class NamedMutexTest : public hvtest::SystemDirTest {};

TEST_F(NamedMutexTest, NestedHoldsNeedAsManyReleasesAndKeepOthersOut) {
    NamedMutex m;
    bool created = false;
    ASSERT_EQ(m.CreateOrOpen(kName, &created), 0);
    EXPECT_TRUE(created);
    ASSERT_EQ(m.Lock(-1), Wait::Acquired);
    ASSERT_EQ(m.Lock(0), Wait::Acquired);

    // Another process cannot take it while any hold remains.
    auto otherTakes = [] {
        return hvtest::RunTogether(1, [](int) {
            NamedMutex other;
            if (other.Open(kName) != 0) return 2;
            return other.Lock(20) == Wait::Acquired ? 0 : 1;
        });
    };
    EXPECT_EQ(otherTakes(), 0);
    EXPECT_EQ(m.Unlock(), 0);
    EXPECT_EQ(otherTakes(), 0);
    EXPECT_EQ(m.Unlock(), 0);
    EXPECT_EQ(m.Unlock(), EPERM);  // nothing left to release
    EXPECT_EQ(otherTakes(), 1);
}

TEST_F(NamedMutexTest, HolderKilledWithSigkillHandsTheLockOnAsAbandoned) {
    pid_t holder = hvtest::StartReadyChild([] {
        static NamedMutex m;
        if (m.CreateOrOpen(kName) != 0) return 1;
        if (m.Lock(-1) != Wait::Acquired || m.Lock(-1) != Wait::Acquired) return 1;
        return 0;
    });
    ASSERT_GT(holder, 0);
    NamedMutex m;
    bool created = true;
    ASSERT_EQ(m.CreateOrOpen(kName, &created), 0);
    EXPECT_FALSE(created);
    EXPECT_EQ(m.Lock(10), Wait::TimedOut);

    hvtest::KillAndReap(holder);
    EXPECT_EQ(m.Lock(-1), Wait::Abandoned);  // owned now, once
    EXPECT_EQ(m.Unlock(), 0);
    EXPECT_EQ(m.Unlock(), EPERM);  // the dead holder's nested hold is not inherited
    EXPECT_EQ(m.Lock(0), Wait::Acquired);
    EXPECT_EQ(m.Unlock(), 0);
}

TEST_F(NamedMutexTest, MutexLeftByProcessesThatAllEndedIsMadeAfresh) {
    // A holder dies holding it; nobody else has a handle.
    pid_t holder = hvtest::StartReadyChild([] {
        static NamedMutex m;
        if (m.CreateOrOpen(kName) != 0) return 1;
        return m.Lock(-1) == Wait::Acquired ? 0 : 1;
    });
    ASSERT_GT(holder, 0);
    hvtest::KillAndReap(holder);

    NamedMutex m;
    bool created = false;
    ASSERT_EQ(m.CreateOrOpen(kName, &created), 0);
    EXPECT_TRUE(created);
    EXPECT_EQ(m.Lock(0), Wait::Acquired);  // a fresh mutex, not an abandoned one
    EXPECT_EQ(m.Unlock(), 0);
}

TEST_F(NamedMutexTest, BadNamesAndForeignFilesAreRefused) {
    NamedMutex m;
    EXPECT_EQ(m.CreateOrOpen(""), EINVAL);
    EXPECT_EQ(m.Open("NoSuch"), ENOENT);
    EXPECT_EQ(m.Lock(0), Wait::Failed);
    EXPECT_EQ(m.Unlock(), EBADF);

    // A live file of another kind under the name is not taken for a mutex.
    NamedObject foreign;
    std::string path;
    ASSERT_EQ(NamedObjectPath(SysArea::Sync, "Odd", &path), 0);
    ASSERT_EQ(foreign.BeginCreate(path, 0660), 0);
    ASSERT_EQ(::ftruncate(foreign.Fd(), 7), 0);
    ASSERT_EQ(foreign.Publish(), 0);
    EXPECT_EQ(m.CreateOrOpen("Odd"), EPROTO);
    EXPECT_FALSE(m.IsOpen());
}

TEST_F(NamedMutexTest, ProcessesIncrementingUnderTheLockLoseNoUpdate) {
    constexpr int kProcs = 8;
    constexpr int kSteps = 2000;
    SharedSegment seg;
    ASSERT_EQ(seg.Create("Counter", sizeof(std::uint64_t)), 0);
    ASSERT_EQ(seg.Publish(), 0);
    NamedMutex m;
    ASSERT_EQ(m.CreateOrOpen(kName), 0);
    int ok = hvtest::RunTogether(kProcs, [](int) {
        NamedMutex mine;
        SharedSegment counter;
        if (mine.Open(kName) != 0 || counter.Attach("Counter") != 0) return 1;
        auto* value = static_cast<volatile std::uint64_t*>(counter.Base());
        for (int i = 0; i < kSteps; ++i) {
            if (mine.Lock(-1) != Wait::Acquired) return 2;
            *value = *value + 1;  // a plain read-modify-write: only the lock keeps it whole
            if (mine.Unlock() != 0) return 3;
        }
        return 0;
    });
    EXPECT_EQ(ok, kProcs);
    EXPECT_EQ(*static_cast<std::uint64_t*>(seg.Base()), std::uint64_t{kProcs} * kSteps);
}

}  // namespace
