#include "platform/FileSystemProbe.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

using portlib::platform::FileSystemInfo;
using portlib::platform::ProbeFileSystem;
using portlib::platform::SerialFromUuid;

TEST(FileSystemProbe, SerialIsTheUuidsLowBits) {
    struct Case {
        const char* uuid;
        std::uint32_t serial;
    } cases[] = {
        {"01234567-89ab-cdef-0123-4567deadbeef", 0xdeadbeefu},
        {"ABCD-1234", 0xabcd1234u},  // a FAT volume id
        {"1234", 0},
        {"", 0},
        {"0123456789-xyzw", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(SerialFromUuid(c.uuid), c.serial) << c.uuid;
}

TEST(FileSystemProbe, ReadsAnImageAndKnowsWhenThereIsNone) {
    char dir[] = "/tmp/hvfsprobe.XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string image = std::string(dir) + "/img";
    const std::string make = "truncate -s 8M " + image + " && mkfs.ext4 -q -F -L DATA -U 11111111-2222-3333-4444-"
                             "555566667777 " + image + " 2>/dev/null";
    if (std::system(make.c_str()) != 0) {
        std::system(("rm -rf " + std::string(dir)).c_str());
        GTEST_SKIP() << "mkfs.ext4 is not available";
    }
    FileSystemInfo info;
    ASSERT_EQ(ProbeFileSystem(image, &info), 0);
    EXPECT_EQ(info.type, "ext4");
    EXPECT_EQ(info.label, "DATA");
    EXPECT_EQ(info.uuid, "11111111-2222-3333-4444-555566667777");
    EXPECT_EQ(info.serial, 0x66667777u);
    EXPECT_EQ(info.maxComponentLength, 255u);
    EXPECT_NE(info.flags & portlib::platform::HV_FS_CASE_SENSITIVE_SEARCH, 0u);

    const std::string blank = std::string(dir) + "/blank";
    ASSERT_EQ(std::system(("truncate -s 1M " + blank).c_str()), 0);
    ASSERT_EQ(ProbeFileSystem(blank, &info), 0);
    EXPECT_EQ(info.type, "");
    EXPECT_EQ(ProbeFileSystem(std::string(dir) + "/absent", &info), ENOENT);
    std::system(("rm -rf " + std::string(dir)).c_str());
}

}  // namespace
