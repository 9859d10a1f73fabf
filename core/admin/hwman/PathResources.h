// The devices a new path may use: serial ports that nobody holds, their
// rates, and shared-disk volumes from the drive table. The dialog's logic
// asks through this interface; SystemPathResources looks at the machine.
#pragma once

#include <string>
#include <vector>

namespace hwman {

struct VolumeInfo {
    std::string name;        // "E:"
    std::string device;      // "/dev/sdb1"
    std::string fileSystem;  // the probe's type, "" when none was found
};

class PathResources {
public:
    virtual ~PathResources() = default;
    // Ports that can be held now, in name order.
    virtual std::vector<std::string> SerialPorts() = 0;
    virtual bool SerialUsable(const std::string& port) = 0;
    // The dialog's rates that the port can be set to; empty when it cannot
    // be opened.
    virtual std::vector<int> BaudRates(const std::string& port) = 0;
    // Fixed drives whose device is free and is not the system's own.
    virtual std::vector<VolumeInfo> Volumes() = 0;
    // Whether the volume may carry a shared-disk path now; its file system
    // ("" for none) in *fileSystem.
    virtual bool VolumeUsable(const std::string& volume, std::string* fileSystem) = 0;
};

// The nine rates the dialog offers.
inline constexpr int kDialogRates[] = {1200, 1800, 2400, 4800, 7200, 9600, 14400, 19200, 38400};

class SystemPathResources : public PathResources {
public:
    // serialDir: "" for the ttyS, ttyUSB and ttyACM devices of sysfs, else a
    // directory whose entries are the ports (links to ptys in tests).
    explicit SystemPathResources(std::string serialDir = "") : serialDir_(std::move(serialDir)) {}

    std::vector<std::string> SerialPorts() override;
    bool SerialUsable(const std::string& port) override;
    std::vector<int> BaudRates(const std::string& port) override;
    std::vector<VolumeInfo> Volumes() override;
    bool VolumeUsable(const std::string& volume, std::string* fileSystem) override;

    // Opens the port as the serial agent holds it (read/write, no
    // controlling tty, non-blocking, exclusive flock) and closes it again.
    static bool PortFree(const std::string& path);
    // Whether the block device opens read/write and exclusively (not
    // mounted, not held by the volume lock server) and is not the device of
    // "/" or of the system directory.
    static bool DeviceFree(const std::string& device);

private:
    std::string serialDir_;
};

}  // namespace hwman
