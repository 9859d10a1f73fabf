// The machine's devices for new paths: serial ports from a directory of pty
// links (one held as the serial agent holds it, junk entries beside them),
// and volumes from a drive table over loop devices the test attaches (root
// only).
#include "DriveMap.h"
#include "PathResources.h"
#include "TempSystemDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <stdlib.h>
#include <sys/file.h>
#include <unistd.h>

namespace hwman {
namespace {

struct Pty {
    Pty() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0) slave = ::ptsname(master);
    }
    ~Pty() {
        if (master >= 0) ::close(master);
    }
    int master = -1;
    std::string slave;
};

std::string Shell(const std::string& command) {
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    if (p == nullptr) return out;
    char buf[256];
    while (std::fgets(buf, sizeof buf, p) != nullptr) out += buf;
    return ::pclose(p) == 0 ? out : std::string();
}

TEST(SerialPorts, FreePtyLinksAreListedAndAHeldOneOrJunkIsNot) {
    hvtest::TempSystemDir sys;
    const std::string dir = sys.Path() + "/ports";
    ASSERT_EQ(::mkdir(dir.c_str(), 0700), 0);
    Pty a, b, c;
    ASSERT_FALSE(a.slave.empty());
    ASSERT_EQ(::symlink(a.slave.c_str(), (dir + "/ttyS0").c_str()), 0);
    ASSERT_EQ(::symlink(b.slave.c_str(), (dir + "/ttyS1").c_str()), 0);
    ASSERT_EQ(::symlink(c.slave.c_str(), (dir + "/ttyUSB0").c_str()), 0);
    ASSERT_EQ(::symlink((dir + "/nothing").c_str(), (dir + "/ttyS9").c_str()), 0);
    std::ofstream(dir + "/notatty") << "plain file\n";
    ASSERT_EQ(::mkdir((dir + "/ttyS5").c_str(), 0700), 0);

    // ttyS1 is held as the serial agent holds its line.
    const int held = ::open((dir + "/ttyS1").c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);

    SystemPathResources resources(dir);
    EXPECT_EQ(resources.SerialPorts(), (std::vector<std::string>{dir + "/ttyS0", dir + "/ttyUSB0"}));
    EXPECT_EQ(resources.BaudRates(dir + "/ttyS0"),
              (std::vector<int>{1200, 1800, 2400, 4800, 7200, 9600, 14400, 19200, 38400}));
    EXPECT_TRUE(resources.BaudRates(dir + "/ttyS1").empty());
    EXPECT_FALSE(resources.SerialUsable(dir + "/ttyS1"));
    EXPECT_FALSE(resources.SerialUsable(dir + "/notatty"));
    ::close(held);
    EXPECT_TRUE(resources.SerialUsable(dir + "/ttyS1")) << "free again once the holder let go";
}

class Volumes : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) GTEST_SKIP() << "loop devices need root";
        for (int i = 0; i < 3; ++i) {
            images_[i] = sys_.Path() + "/disk" + std::to_string(i) + ".img";
            const std::string format = i == 0 ? " && mkfs.ext4 -q -F " + images_[i] : "";
            if (Shell("truncate -s 8M " + images_[i] + format + " && echo ok") != "ok\n")
                GTEST_SKIP() << "cannot make the images (mkfs.ext4)";
            std::string dev = Shell("losetup -f --show " + images_[i] + " 2>/dev/null");
            if (dev.empty()) GTEST_SKIP() << "cannot attach a loop device here";
            dev.pop_back();
            loops_[i] = dev;
        }
    }
    void TearDown() override {
        for (const std::string& dev : loops_)
            if (!dev.empty()) Shell("losetup -d " + dev);
    }
    hvtest::TempSystemDir sys_;
    std::string images_[3];
    std::string loops_[3];
};

TEST_F(Volumes, FixedFreeDevicesAreListedWithTheirFileSystems) {
    // E: ext4, F: empty, G: held exclusively (as the volume lock server
    // holds its locks), H: removable, I: no such device; then bad lines.
    std::ofstream(portlib::DriveMap::Path()) << "E: " << loops_[0] << " fixed\n"
                                             << "F: " << loops_[1] << "\n"
                                             << "G: " << loops_[2] << " fixed\n"
                                             << "H: " << loops_[1] << " removable\n"
                                             << "I: " << sys_.Path() << "/nodevice fixed\n"
                                             << "J: relative/dev fixed\n"
                                             << "1: /dev/null fixed\n"
                                             << "garbage line\n";
    const int held = ::open(loops_[2].c_str(), O_RDWR | O_EXCL | O_CLOEXEC);
    ASSERT_GE(held, 0);
    SystemPathResources resources;
    const std::vector<VolumeInfo> v = resources.Volumes();
    ASSERT_EQ(v.size(), 2u);
    EXPECT_EQ(v[0].name, "E:");
    EXPECT_EQ(v[0].device, loops_[0]);
    EXPECT_EQ(v[0].fileSystem, "ext4");
    EXPECT_EQ(v[1].name, "F:");
    EXPECT_EQ(v[1].fileSystem, "");

    std::string fs;
    EXPECT_TRUE(resources.VolumeUsable("E:", &fs));
    EXPECT_EQ(fs, "ext4");
    EXPECT_FALSE(resources.VolumeUsable("G:", &fs));
    EXPECT_FALSE(resources.VolumeUsable("H:", &fs)) << "removable";
    EXPECT_FALSE(resources.VolumeUsable("I:", &fs));
    EXPECT_FALSE(resources.VolumeUsable("E", &fs));
    ::close(held);
    EXPECT_TRUE(resources.VolumeUsable("G:", &fs));
}

}  // namespace
}  // namespace hwman
