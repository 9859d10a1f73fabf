// dismounter [drive:] | [/A]: makes the system let go of a volume's cached
// file-system data, or of every whole disk's, so that it is read again after
// another system wrote to the disk. Per device: open, lock (an exclusive
// open: refused while the volume is mounted or held), dismount (flush and
// drop the buffer cache), read the size (one volume only), unlock. The exit
// code is the Win32 number of the first error reported, 0 when none.
#include "DiskTargets.h"
#include "HelpOption.h"
#include "Win32Message.h"
#include "platform/ErrnoWin32.h"

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <string>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

constexpr int kAttempts = 6;
constexpr int kErrorFileNotFound = 2;
constexpr unsigned kMaxPhysicalDrives = 65536;

int firstError = 0;

int Usage() {
    std::fputs("Forces Windows NT(C) to unmount, reread, and reconstruct volume information.\n\r\n", stdout);
    std::fputs("dismounter [drive:] | [/A]\n\r\n", stdout);
    std::fputs("[drive:]\tSpecifies the drive to reset.\n\r", stdout);
    std::fputs("[/A]\t\tResets all physical disks in the system.\n\r\t\tNot as thorough as individual volume "
               "resetting.\n\r\n",
               stdout);
    return 1;
}

void Report(const char* step, int err) {
    const int win32 = portlib::platform::Win32FromErrno(err);
    if (firstError == 0) firstError = win32;
    std::fflush(stdout);
    std::fprintf(stderr, "\n\r%s: %s %d\n\r", step, hvadmin::Win32MessageText(win32), win32);
}

// Up to six attempts of one step: 0, or the last errno.
template <class Step>
int Attempt(Step step) {
    int err = 0;
    for (int i = 0; i < kAttempts; ++i) {
        err = step();
        if (err == 0) return 0;
    }
    return err;
}

int OpenDevice(const std::string& device, int flags, int* fd) {
    return Attempt([&] {
        *fd = device.empty() ? -1 : ::open(device.c_str(), flags | O_CLOEXEC);
        return *fd >= 0 ? 0 : (device.empty() ? ENOENT : errno);
    });
}

// One target; false when its open failed with "file not found".
bool Reset(const std::string& device, const std::string& name, bool volume, bool walk) {
    int fd = -1;
    if (const int err = OpenDevice(device, O_RDWR, &fd); err != 0) {
        if (walk && portlib::platform::Win32FromErrno(err) == kErrorFileNotFound) return false;
        Report("open", err);
        return true;
    }
    std::printf("\nResetting %s\n\r", name.c_str());
    int locked = -1;
    if (const int err = OpenDevice(device, O_RDWR | O_EXCL, &locked); err != 0) {
        Report("lock", err);
        ::close(fd);
        return true;
    }
    if (const int err = Attempt([&] {
            return ::fsync(locked) == 0 && ::ioctl(locked, BLKFLSBUF, 0) == 0 ? 0 : errno;
        });
        err != 0)
        Report("dismount", err);
    if (volume) {
        std::uint64_t bytes = 0;
        if (const int err = Attempt([&] { return ::ioctl(locked, BLKGETSIZE64, &bytes) == 0 ? 0 : errno; }); err != 0)
            Report("partition information", err);
    }
    if (::close(locked) != 0) Report("unlock", errno);
    ::close(fd);
    std::printf("Done with %s\n\r", name.c_str());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (portlib::AsksForHelp(argc, argv)) {
        Usage();  // on standard output
        return 0;
    }
    if (argc != 2 || std::strlen(argv[1]) != 2) return Usage();
    const char* arg = argv[1];
    const bool all = arg[0] == '/' && std::toupper(static_cast<unsigned char>(arg[1])) == 'A';
    if (!all && !(arg[0] >= 'B' && arg[0] <= 'y' && arg[1] == ':')) return Usage();
    if (all) {
        const auto disks = hvadmin::WholeDisks();
        for (unsigned n = 0; n < kMaxPhysicalDrives; ++n) {
            const std::string device = n < disks.size() ? disks[n] : std::string();
            if (!Reset(device, "PHYSICALDRIVE" + std::to_string(n), false, true)) break;
        }
    } else {
        Reset(hvadmin::VolumeDevice(arg[0]), arg, true, false);
    }
    std::fflush(stdout);
    return firstError;
}
