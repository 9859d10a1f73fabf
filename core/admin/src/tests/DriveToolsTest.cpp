#include "AdminTestDir.h"
#include "DriveMap.h"
#include "ToolRun.h"
#include "platform/FileSystemProbe.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using hvtoolstest::RunArgv;
using hvtoolstest::RunTool;

constexpr const char* kUuid = "01234567-89ab-cdef-0123-4567deadbeef";
constexpr off_t kProbeOffset = 6 << 20;  // past the file system's own blocks

std::string Shell(const std::string& command) {
    const auto r = RunArgv({"/bin/sh", "-c", command});
    return r.exitCode == 0 ? r.out : std::string();
}

// Two 16 MiB images, both ext4 (the first labelled, the second not), on
// loop devices of their own; E: and F: fixed, G: the first again as
// removable, H: a device that does not exist.
class DriveTools : public admintest::SystemDirTest {
protected:
    void SetUp() override {
        SystemDirTest::SetUp();
        for (int i = 0; i < 2; ++i) {
            images_[i] = dir_ + "/disk" + std::to_string(i) + ".img";
            const std::string options = i == 0 ? std::string(" -L VOLONE -U ") + kUuid : "";
            if (Shell("truncate -s 16M " + images_[i] + " && mkfs.ext4 -q -F" + options + " " + images_[i] +
                      " && echo ok") != "ok\n")
                GTEST_SKIP() << "mkfs.ext4 is not available";
            std::string dev = Shell("losetup -f --show " + images_[i]);
            if (dev.empty()) GTEST_SKIP() << "cannot attach a loop device here (needs root)";
            dev.pop_back();
            loops_[i] = dev;
        }
        ASSERT_EQ(portlib::DriveMap::Save({{'E', loops_[0], portlib::HV_DRIVE_FIXED},
                                           {'F', loops_[1], portlib::HV_DRIVE_FIXED},
                                           {'G', loops_[0], portlib::HV_DRIVE_REMOVABLE},
                                           {'H', dir_ + "/nodevice", portlib::HV_DRIVE_FIXED}}),
                  0);
    }
    void TearDown() override {
        for (const std::string& dev : loops_)
            if (!dev.empty()) Shell("losetup -d " + dev);
        SystemDirTest::TearDown();
    }
    static std::string Name(const std::string& dev) { return dev.substr(dev.rfind('/') + 1); }
    // Four bytes at the probe offset, read through the loop device's cache
    // (kept while the device stays open somewhere).
    static std::string ReadThrough(int fd) {
        char buf[4] = {};
        EXPECT_EQ(::pread(fd, buf, 4, kProbeOffset), 4);
        return std::string(buf, 4);
    }
    void WriteBehindDevice(int i, const char* four) {
        const int fd = ::open(images_[i].c_str(), O_WRONLY | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::pwrite(fd, four, 4, kProbeOffset), 4);
        ::fsync(fd);
        ::close(fd);
    }
    std::string images_[2];
    std::string loops_[2];
};

std::string Described(const char* volume, std::uint32_t serial) {
    std::uint32_t limit = 0, flags = 0;
    portlib::platform::FileSystemTraits("ext4", &limit, &flags);
    return std::string("DRIVE_FIXED ") + volume + " " + std::to_string(serial) + " " + std::to_string(limit) + " " +
           std::to_string(flags) + " ext4";
}

TEST_F(DriveTools, DrivelistDescribesEachLetter) {
    struct Case {
        const char* letter;
        std::string line;
    } cases[] = {
        {"e", Described("VOLONE", 0xdeadbeefu)},
        {"G", "NONE NONE 0 0 0 NONE"},  // not fixed
        {"H", "NONE NONE 0 0 0 NONE"},  // its device is missing
        {"c", "NONE NONE 0 0 0 NONE"},  // outside D-Z yet described
    };
    for (const Case& c : cases) {
        const auto r = RunTool("drivelist", {"-v", c.letter});
        EXPECT_EQ(r.exitCode, 0) << c.letter;
        EXPECT_EQ(r.out, c.line) << c.letter;
    }
    const auto f = RunTool("drivelist", {"-v", "F"});
    EXPECT_EQ(f.out.rfind("DRIVE_FIXED NONE ", 0), 0u) << f.out;  // unlabelled

    const std::string list = dir_ + "/drives.txt";
    auto r = RunTool("drivelist", {"-v", "e", "-a", list});  // -a wins
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    const std::string text = Read(list);
    std::string expected;
    for (char l = 'D'; l <= 'Z'; ++l) {
        expected += std::string(1, l) + ": ";
        expected += l == 'E' ? Described("VOLONE", 0xdeadbeefu) : l == 'F' ? f.out : "NONE NONE 0 0 0 NONE";
        expected += "\n";
    }
    EXPECT_EQ(text, expected);
}

TEST_F(DriveTools, DrivelistUsageAndAnUnwritableFile) {
    const std::string usageHead = " : Insufficient number of parameters specified\n";
    for (const auto& args : std::vector<std::vector<std::string>>{{}, {"-v"}, {"-x", "e"}, {"-v", "1"}, {"e", "f"}}) {
        const auto r = RunTool("drivelist", args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find(usageHead), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("-a <filename>    :  All drives which are on hard disk"), std::string::npos);
    }
    const std::string bad = dir_ + "/missing/drives.txt";
    const auto r = RunTool("drivelist", {"-a", bad});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Unable to open the file " + bad + " for writing");
}

TEST_F(DriveTools, DismounterDropsTheCacheOfAVolumeNobodyUses) {
    WriteBehindDevice(1, "AAAA");
    const int reader = ::open(loops_[1].c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    ASSERT_EQ(ReadThrough(reader), "AAAA");
    WriteBehindDevice(1, "BBBB");
    EXPECT_EQ(ReadThrough(reader), "AAAA");  // the device's cache still has the old bytes
    const auto r = RunTool("dismounter", {"f:"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "\nResetting f:\n\rDone with f:\n\r");
    EXPECT_EQ(ReadThrough(reader), "BBBB");
    ::close(reader);
}

TEST_F(DriveTools, DismounterLeavesAMountedVolumeAlone) {
    const std::string mnt = dir_ + "/mnt";
    ASSERT_EQ(::mkdir(mnt.c_str(), 0700), 0);
    // Mounted in a mount namespace of its own, held until the test ends.
    hvtoolstest::Holder holder({"/usr/bin/unshare", "-m", "--propagation", "private", "/bin/sh", "-c",
                                "mount " + loops_[0] + " " + mnt + " && echo ready && cat"});
    if (holder.FirstLine() != "ready") GTEST_SKIP() << "cannot mount in a private mount namespace here";
    const auto r = RunTool("dismounter", {"E:"});
    EXPECT_EQ(r.exitCode, 32);
    EXPECT_EQ(r.out, "\nResetting E:\n\r");
    EXPECT_EQ(r.err, "\n\rlock: The process cannot access the file because it is being used by another process. 32\n\r");
    const std::string mounts = Read("/proc/" + std::to_string(holder.Pid()) + "/mounts");
    EXPECT_NE(mounts.find(loops_[0] + " " + mnt), std::string::npos);

    // A letter the table does not have: the open's error.
    const auto none = RunTool("dismounter", {"[:"});
    EXPECT_EQ(none.exitCode, 2);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err, "\n\ropen: The system cannot find the file specified. 2\n\r");
}

TEST_F(DriveTools, DismounterWalksTheWholeDisksItMayTouch) {
    const std::string disks = Name(loops_[0]) + " " + Name(loops_[1]);
    const auto r = RunArgv({"/usr/bin/env", "HV_TEST_DISKS=" + disks, hvtoolstest::ToolPath("dismounter"), "/a"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "\nResetting PHYSICALDRIVE0\n\rDone with PHYSICALDRIVE0\n\r"
              "\nResetting PHYSICALDRIVE1\n\rDone with PHYSICALDRIVE1\n\r");
    EXPECT_EQ(r.err, "");
}

TEST(Dismounter, RefusesEverythingButOneVolumeOrAll) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {}, {"A:"}, {"z:"}, {"E"}, {"E:x"}, {"/B"}, {"E:", "F:"}}) {
        const auto r = RunTool("dismounter", args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.out.rfind("Forces Windows NT(C) to unmount, reread, and reconstruct volume information.\n\r\n"
                              "dismounter [drive:] | [/A]\n\r\n",
                              0),
                  0u);
    }
}

}  // namespace
