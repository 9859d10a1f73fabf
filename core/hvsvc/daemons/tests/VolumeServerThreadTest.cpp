// The volume worker on its own thread, over the real pipe "hvlockpipe".
#include "ServiceTestSupport.h"

#include "BootExecuteList.h"
#include "DriveMap.h"
#include "HvinitEventLog.h"
#include "PauseGate.h"
#include "PreservePipeIo.h"
#include "SharedVolumes.h"
#include "VolumeServer.h"
#include "qdberr.h"

#include "platform/NamedPipeConnect.h"
#include "platform/NamedPipeMode.h"
#include "platform/RegistryStore.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using namespace hvsvctest;
using portlib::PreservePipeIo;
namespace pp = portlib::platform;

// One request, its reply (or the read's error as a large value).
std::int64_t Ask(std::uint32_t magic, std::int32_t command, char letter) {
    int fd = -1;
    if (pp::PipeConnect(hvsvc::kVolumePipeName, {2000, pp::PipeReadMode::Byte, false}, &fd) != 0) return 1000;
    unsigned char req[12] = {};
    PreservePipeIo::PutWord(req, magic);
    PreservePipeIo::PutWord(req + 4, static_cast<std::uint32_t>(command));
    req[8] = static_cast<unsigned char>(letter);
    portlib::DWORD reply = 0;
    int rc = PreservePipeIo::Write(fd, req, sizeof req);
    if (rc == 0) rc = PreservePipeIo::ReadWord(fd, &reply);
    pp::PipeClose(fd);
    return rc != 0 ? 2000 + rc : static_cast<std::int32_t>(reply);
}
std::int64_t Ask(std::int32_t command, char letter) { return Ask(hvsvc::kVolumeMagic, command, letter); }

std::string BootExecute() {
    pp::RegKey key;
    if (pp::RegistryStore::OpenKey(pp::RegHive::LocalMachine, hvsvc::kSessionManagerKey, &key) != 0) return "(none)";
    unsigned char buf[2048];
    std::uint32_t size = sizeof buf, type = 0;
    if (pp::RegistryStore::QueryValue(key, hvsvc::kBootExecuteValue, &type, buf, &size) != 0) return "(none)";
    return std::string(reinterpret_cast<char*>(buf), size);
}

void SetBootExecute(const std::string& multi) {
    pp::RegKey key;
    ASSERT_EQ(pp::RegistryStore::CreateKey(pp::RegHive::LocalMachine, hvsvc::kSessionManagerKey, &key), 0);
    ASSERT_EQ(pp::RegistryStore::SetValue(key, hvsvc::kBootExecuteValue, pp::HV_REG_MULTI_SZ,
                                          reinterpret_cast<const unsigned char*>(multi.data()),
                                          static_cast<std::uint32_t>(multi.size())),
              0);
}

class VolumeServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Reports go to the event log, as the service's do.
        set_errinfo("Hvinit:", "/usr/alarm/out/HVINIT", 4, nullptr);
        // Drives C and E fixed, F removable; their devices are plain files here.
        for (const char* d : {"devC", "devE", "devF"}) std::ofstream(sys_.Path() + "/" + d) << "x";
        ASSERT_EQ(portlib::DriveMap::Save({{'C', sys_.Path() + "/devC", portlib::HV_DRIVE_FIXED},
                                           {'E', sys_.Path() + "/devE", portlib::HV_DRIVE_FIXED},
                                           {'F', sys_.Path() + "/devF", portlib::HV_DRIVE_REMOVABLE}}),
                  0);
    }
    void Start() {
        thread_ = std::thread([this] { hvsvc::VolumeServer(gate_).Run(); });
        ASSERT_TRUE(WaitUntil([] { return Ask(3, 'A') < 1000; }));
    }
    void TearDown() override {
        gate_.Stop();
        if (thread_.joinable()) thread_.join();
    }

    hvtest::TempSystemDir sys_;
    hvsvc::PauseGate gate_;
    std::thread thread_;
};

TEST_F(VolumeServerTest, LettersOutsideAToZAndBadRequestsAnswerMinusTwo) {
    Start();
    struct Case {
        std::uint32_t magic;
        std::int32_t command;
        char letter;
        std::int64_t reply;
    };
    const std::uint32_t M = hvsvc::kVolumeMagic;
    const Case cases[] = {
        {M, 2, 'A', -1}, {M, 2, 'Z', -1}, {M, 2, 'a', -1}, {M, 2, 'z', -1},  // letters: never locked
        {M, 2, '[', -2}, {M, 2, '`', -2}, {M, 1, '_', -2}, {M, 1, '@', -2}, {M, 4, '{', -2}, {M, 1, 0, -2},
        {M, 3, '[', 0},                                                         // the mask ignores the letter
        {M, 7, 'e', -2}, {M, 0, 'e', -2}, {0x12345678, 1, 'e', -2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Ask(c.magic, c.command, c.letter), c.reply) << c.command << " '" << c.letter << "'";
    EXPECT_EQ(hvtest::Reports(200011).size(), 6u);
    // Nothing became shared through a bad letter.
    EXPECT_EQ(Ask(6, 'A'), 0);
}

TEST_F(VolumeServerTest, LockAndUnlockKeepOneHandlePerDrive) {
    Start();
    EXPECT_EQ(Ask(1, 'e'), 0);
    EXPECT_EQ(Ask(1, 'E'), -1);
    EXPECT_EQ(hvtest::Reports(200021).size(), 1u);
    EXPECT_EQ(Ask(3, 0), 16);
    EXPECT_EQ(Ask(1, 'Q'), -1);  // no device for Q
    EXPECT_EQ(hvtest::Reports(200024).size(), 1u);
    EXPECT_EQ(Ask(2, 'E'), 0);
    EXPECT_EQ(Ask(2, 'e'), -1);
    EXPECT_EQ(hvtest::Reports(200026).size(), 1u);
    EXPECT_EQ(Ask(3, 0), 0);
    // A client that goes before its reply costs the server nothing.
    {
        int fd = -1;
        ASSERT_EQ(pp::PipeConnect(hvsvc::kVolumePipeName, {2000, pp::PipeReadMode::Byte, false}, &fd), 0);
        pp::PipeClose(fd);
    }
    EXPECT_EQ(Ask(1, 'C'), 0);
}

TEST_F(VolumeServerTest, WithoutSharedVolumesTheBootListIsLeftAlone) {
    const std::string before("autochk *\0\0", 11);
    SetBootExecute(before);
    Start();
    EXPECT_EQ(Ask(6, 'A'), 0);  // created as 0
    EXPECT_EQ(Ask(3, 'A'), 0);  // nothing locked
    EXPECT_EQ(BootExecute(), before);
}

TEST_F(VolumeServerTest, SharingADriveTakesItOffTheBootListAndLocksItAtStart) {
    Start();
    EXPECT_EQ(Ask(4, 'e'), 0);
    EXPECT_EQ(Ask(6, 0), 16);
    EXPECT_EQ(BootExecute(), "autochk " + sys_.Path() + "/devC" + std::string("\0\0", 2));
    EXPECT_EQ(Ask(3, 0), 0);  // sharing does not lock
    EXPECT_EQ(Ask(4, 'C'), 0);
    EXPECT_EQ(BootExecute(), std::string("\0\0", 2));  // every fixed drive shared
    EXPECT_EQ(hvtest::Reports(200033).size(), 1u);
    EXPECT_EQ(Ask(5, 'c'), 0);
    EXPECT_EQ(Ask(6, 0), 16);
    // A new start locks the shared drives.
    gate_.Stop();
    thread_.join();
    hvsvc::PauseGate gate;
    std::thread again([&] { hvsvc::VolumeServer(gate).Run(); });
    EXPECT_TRUE(WaitUntil([] { return Ask(3, 0) == 16; }));
    gate.Stop();
    again.join();
}

// As root with a loop device: a locked volume cannot be mounted, an unlocked one can.
TEST_F(VolumeServerTest, LockedLoopDeviceCannotBeMounted) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root";
    const std::string image = sys_.Path() + "/disk.img", mnt = sys_.Path() + "/mnt";
    std::filesystem::create_directories(mnt);
    CommandResult dev = RunCommand({"/bin/sh", "-c",
                                    "truncate -s 8M " + image + " && mkfs.ext2 -q " + image +
                                        " >/dev/null 2>&1 && losetup -f --show " + image + " 2>/dev/null"});
    if (dev.exitCode != 0 || dev.out.empty()) GTEST_SKIP() << "no loop device";
    const std::string loop = dev.out.substr(0, dev.out.find('\n'));
    auto mount = [&] { return RunCommand({"/bin/sh", "-c", "mount " + loop + " " + mnt + " 2>/dev/null"}).exitCode; };
    auto umount = [&] { RunCommand({"/bin/sh", "-c", "umount " + mnt + " 2>/dev/null"}); };
    if (mount() != 0) {
        RunCommand({"/sbin/losetup", "-d", loop});
        GTEST_SKIP() << "mount not permitted here";
    }
    umount();
    ASSERT_EQ(portlib::DriveMap::Save({{'L', loop, portlib::HV_DRIVE_FIXED}}), 0);
    Start();
    EXPECT_EQ(Ask(1, 'l'), 0);
    EXPECT_NE(mount(), 0);
    // A plain open still works: reads are not refused.
    EXPECT_EQ(RunCommand({"/bin/sh", "-c", "dd if=" + loop + " of=/dev/null bs=4k count=1 2>/dev/null"}).exitCode, 0);
    EXPECT_EQ(Ask(2, 'L'), 0);
    EXPECT_EQ(mount(), 0);
    umount();
    RunCommand({"/sbin/losetup", "-d", loop});
}

}  // namespace
