#include "DriveMap.h"

#include "platform/ErrnoWin32.h"
#include "platform/tests/TempSystemDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>

namespace {

using portlib::DriveEntry;
using portlib::DriveMap;

TEST(DriveMap, ParseKeepsGoodLinesAndSkipsEachBadOneAlone) {
    const std::string text =
        "# comment\n"
        "\n"
        "e: /dev/loop3 fixed\n"
        "C: /dev/sda1\n"                  // kind defaults to fixed
        "F: /dev/sr0 cdrom\n"
        "E: /dev/other fixed\n"           // second line for E: skipped
        "[: /dev/x fixed\n"               // not a letter
        "G: relative/path fixed\n"        // not absolute
        "H: /dev/sdh floppy\n"            // unknown kind
        "I: /dev/sdi fixed extra\n"       // trailing word
        "JJ: /dev/sdj\n"
        "K /dev/sdk\n";
    std::vector<DriveEntry> drives;
    DriveMap::Parse(text, &drives);
    ASSERT_EQ(drives.size(), 3u);
    EXPECT_EQ(drives[0].letter, 'C');
    EXPECT_EQ(drives[0].type, portlib::HV_DRIVE_FIXED);
    EXPECT_EQ(drives[1].letter, 'E');
    EXPECT_EQ(drives[1].device, "/dev/loop3");
    EXPECT_EQ(drives[2].letter, 'F');
    EXPECT_EQ(drives[2].type, portlib::HV_DRIVE_CDROM);
}

TEST(DriveMap, SaveLoadFindAndLogicalDrives) {
    hvtest::TempSystemDir sys;
    EXPECT_EQ(DriveMap::LogicalDrives(), 0u);  // no table: no drives
    DriveEntry e;
    EXPECT_EQ(DriveMap::Find('e', &e), ENOENT);
    ASSERT_EQ(DriveMap::Save({{'e', "/dev/loop3", portlib::HV_DRIVE_FIXED}, {'A', "/dev/fd0", portlib::HV_DRIVE_REMOVABLE}}), 0);
    EXPECT_EQ(DriveMap::LogicalDrives(), (1u << 0) | (1u << 4));
    ASSERT_EQ(DriveMap::Find('E', &e), 0);
    EXPECT_EQ(e.device, "/dev/loop3");
    EXPECT_EQ(DriveMap::Save({{'1', "/dev/x", portlib::HV_DRIVE_FIXED}}), EINVAL);
    EXPECT_EQ(DriveMap::Save({{'B', "/dev/with space", portlib::HV_DRIVE_FIXED}}), EINVAL);
    EXPECT_EQ(DriveMap::LogicalDrives(), (1u << 0) | (1u << 4));  // the bad saves changed nothing
}

TEST(ErrnoWin32, MapsTheErrorsObjectCallsBranchOn) {
    using portlib::platform::Win32FromErrno;
    EXPECT_EQ(Win32FromErrno(0), 0);
    EXPECT_EQ(Win32FromErrno(ENOENT), 2);
    EXPECT_EQ(Win32FromErrno(ESRCH), 87);
    EXPECT_EQ(Win32FromErrno(EPROTO), 6);
    EXPECT_EQ(Win32FromErrno(EBUSY), 32);
    EXPECT_EQ(Win32FromErrno(EXDEV), 31);  // unknown: general failure
}

}  // namespace
