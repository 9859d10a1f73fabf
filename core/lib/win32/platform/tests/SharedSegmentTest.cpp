#include "platform/SharedSegment.h"
#include "platform/tests/ReadyChild.h"
#include "platform/tests/TempSystemDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

using namespace portlib::platform;

namespace {

constexpr const char* kName = "Test-shm";

class SharedSegmentTest : public hvtest::SystemDirTest {};

TEST_F(SharedSegmentTest, BuiltSegmentIsAttachedOnlyOncePublishedAndAtItsRealSize) {
    SharedSegment built;
    ASSERT_EQ(built.Create(kName, 10000), 0);
    ASSERT_EQ(built.Size(), 10000u);
    std::memcpy(built.Base(), "loaded", 7);

    SharedSegment early;
    EXPECT_EQ(early.Attach(kName), ENOENT);
    ASSERT_EQ(built.Publish(), 0);

    SharedSegment seen;
    ASSERT_EQ(seen.Attach(kName), 0);
    EXPECT_EQ(seen.Size(), 10000u);
    EXPECT_STREQ(static_cast<const char*>(seen.Base()), "loaded");
    static_cast<char*>(seen.Base())[9999] = 'z';  // the last byte is mapped and shared
    EXPECT_EQ(static_cast<char*>(built.Base())[9999], 'z');

    SharedSegment rival;
    ASSERT_EQ(rival.Create(kName, 20000), 0);
    EXPECT_EQ(rival.Publish(), EEXIST);
    EXPECT_EQ(rival.Base(), nullptr);
}

TEST_F(SharedSegmentTest, SegmentOfProcessesThatAllEndedIsNeverAttached) {
    pid_t holder = hvtest::StartReadyChild([] {
        static SharedSegment seg;
        if (seg.Create(kName, 4096) != 0) return 1;
        std::memcpy(seg.Base(), "old", 4);
        return seg.Publish();
    });
    ASSERT_GT(holder, 0);
    SharedSegment seg;
    ASSERT_EQ(seg.Attach(kName), 0);
    seg.Detach();
    hvtest::KillAndReap(holder);
    EXPECT_EQ(seg.Attach(kName), ENOENT);
}

TEST_F(SharedSegmentTest, BadSizesAndNamesAreRefused) {
    SharedSegment seg;
    EXPECT_EQ(seg.Create(kName, 0), EINVAL);
    EXPECT_EQ(seg.Create(kName, SharedSegment::kMaxSize + 1), EINVAL);
    EXPECT_EQ(seg.Create("", 100), EINVAL);
    EXPECT_EQ(seg.Publish(), EINVAL);
}

}  // namespace
