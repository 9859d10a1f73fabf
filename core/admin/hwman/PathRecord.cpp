#include "PathRecord.h"

#include "CHWMANNetwork.h"
#include "ConsoleDatabase.h"

#include <array>
#include <charconv>

namespace hwman {

namespace {

constexpr std::size_t kFields = 10;
constexpr std::size_t kMaxDeviceText = 255;

bool Number(std::string_view text, int* out) {
    if (text.empty()) return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *out);
    return ec == std::errc() && end == text.data() + text.size();
}

const char* TypeOf(std::string_view t) {
    if (t == "TLI") return kSocket;
    if (t == "TTY") return kSerialPort;
    if (t == "SCSI") return kSharedDisk;
    return nullptr;
}

}  // namespace

std::string_view PortOfDevice(std::string_view device) {
    const std::size_t colon = device.find(':');
    return colon == std::string_view::npos ? std::string_view("1500") : device.substr(colon + 1);
}

bool ParsePathRecord(std::string_view record, PathRecord* out) {
    // One pass over the record; fields past the tenth are ignored.
    std::array<std::string_view, kFields> f;
    std::size_t n = 0;
    const char* data = record.data();
    const std::size_t size = record.size();
    std::size_t start = 0;
    for (std::size_t i = 0; i <= size && n < kFields; ++i) {
        if (i == size || data[i] == panelaid::kRecordSeparator) {
            f[n++] = std::string_view(data + start, i - start);
            start = i + 1;
        }
    }
    if (n < kFields) return false;
    PathRecord r;
    r.destination = f[0];
    r.type = TypeOf(f[2]);
    if (r.type == nullptr || f[0].empty() || f[1].empty() || f[1].size() > kMaxDeviceText) return false;
    if (!Number(f[7], &r.priority) || !Number(f[8], &r.interval) || !Number(f[9], &r.misses)) return false;
    if (r.type == std::string_view(kSerialPort) && !Number(f[3], &r.baud)) return false;
    r.device = r.type == std::string_view(kSocket) ? PortOfDevice(f[1]) : f[1];
    r.status = f[6] == "ALIVE" ? kPathAlive : f[6] == "DEAD" ? kPathDead : kPathUnknown;
    *out = r;
    return true;
}

}  // namespace hwman
