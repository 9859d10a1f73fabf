#include "PathResources.h"

#include "DriveMap.h"
#include "platform/FileSystemProbe.h"
#include "platform/SerialPort.h"
#include "platform/SystemDir.h"

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace hwman {

namespace {

constexpr std::size_t kMaxPorts = 256;
constexpr std::size_t kMaxPortPath = 255;

bool SerialName(const std::string& name) {
    for (const char* prefix : {"ttyS", "ttyUSB", "ttyACM"})
        if (name.rfind(prefix, 0) == 0 && name.size() > std::string(prefix).size()) return true;
    return false;
}

std::vector<std::string> Entries(const std::string& dir) {
    std::vector<std::string> names;
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) return names;
    while (dirent* e = ::readdir(d)) {
        const std::string n = e->d_name;
        if (n == "." || n == ".." || n.find('/') != std::string::npos) continue;
        names.push_back(n);
        if (names.size() >= 4 * kMaxPorts) break;
    }
    ::closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

// The device numbers of the file systems "/" and the system directory live on.
bool SystemsOwnDevice(dev_t rdev) {
    struct stat st {};
    for (const std::string& path : {std::string("/"), portlib::platform::SystemDir()})
        if (::stat(path.c_str(), &st) == 0 && st.st_dev == rdev) return true;
    return false;
}

}  // namespace

bool SystemPathResources::PortFree(const std::string& path) {
    if (path.empty() || path.size() > kMaxPortPath) return false;
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    const bool free = ::isatty(fd) && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return free;
}

std::vector<std::string> SystemPathResources::SerialPorts() {
    std::vector<std::string> ports;
    if (!serialDir_.empty()) {
        for (const std::string& n : Entries(serialDir_)) {
            const std::string path = serialDir_ + "/" + n;
            if (PortFree(path)) ports.push_back(path);
            if (ports.size() >= kMaxPorts) break;
        }
        return ports;
    }
    for (const std::string& n : Entries("/sys/class/tty")) {
        if (!SerialName(n)) continue;
        // A ttyS line without hardware behind it has no device link.
        struct stat st {};
        if (::stat(("/sys/class/tty/" + n + "/device").c_str(), &st) != 0) continue;
        const std::string path = "/dev/" + n;
        if (PortFree(path)) ports.push_back(path);
        if (ports.size() >= kMaxPorts) break;
    }
    return ports;
}

bool SystemPathResources::SerialUsable(const std::string& port) { return PortFree(port); }

std::vector<int> SystemPathResources::BaudRates(const std::string& port) {
    std::vector<int> rates;
    if (!PortFree(port)) return rates;
    for (int rate : kDialogRates)
        if (portlib::platform::SerialSpeedOf(rate) != 0) rates.push_back(rate);
    return rates;
}

bool SystemPathResources::DeviceFree(const std::string& device) {
    if (device.empty() || device.front() != '/') return false;
    const int fd = ::open(device.c_str(), O_RDWR | O_EXCL | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    const bool ok = ::fstat(fd, &st) == 0 && S_ISBLK(st.st_mode) && !SystemsOwnDevice(st.st_rdev);
    ::close(fd);
    return ok;
}

std::vector<VolumeInfo> SystemPathResources::Volumes() {
    std::vector<VolumeInfo> volumes;
    std::vector<portlib::DriveEntry> drives;
    if (portlib::DriveMap::Load(&drives) != 0) return volumes;
    for (const portlib::DriveEntry& d : drives) {
        if (d.type != portlib::HV_DRIVE_FIXED || !DeviceFree(d.device)) continue;
        VolumeInfo v{std::string(1, d.letter) + ":", d.device, ""};
        portlib::platform::FileSystemInfo info;
        if (portlib::platform::ProbeFileSystem(d.device, &info) == 0) v.fileSystem = info.type;
        volumes.push_back(std::move(v));
    }
    return volumes;
}

bool SystemPathResources::VolumeUsable(const std::string& volume, std::string* fileSystem) {
    fileSystem->clear();
    if (volume.size() != 2 || volume[1] != ':') return false;
    portlib::DriveEntry d;
    if (portlib::DriveMap::Find(volume[0], &d) != 0 || d.type != portlib::HV_DRIVE_FIXED) return false;
    portlib::platform::FileSystemInfo info;
    if (portlib::platform::ProbeFileSystem(d.device, &info) == 0) *fileSystem = info.type;
    return DeviceFree(d.device);
}

}  // namespace hwman
