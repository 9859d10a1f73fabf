// One path record of net_list read in place: the fields as views into the
// record (no copies, so a poll that finds nothing new allocates nothing),
// the type as the picture names it, the numbers checked.
#pragma once

#include <string_view>

namespace hwman {

struct PathRecord {
    std::string_view destination;
    // The port for sockets (after the ':', "1500" without one), else the
    // device text.
    std::string_view device;
    const char* type = nullptr;  // kSocket, kSerialPort or kSharedDisk
    int baud = 0;
    int priority = 0;
    int interval = 0;
    int misses = 0;
    int status = 2;
};

// False for a record with fields missing, a number field that is not one,
// an unknown type, or an empty or overlong device.
bool ParsePathRecord(std::string_view record, PathRecord* out);

// A socket device text's port: after its ':', "1500" without one.
std::string_view PortOfDevice(std::string_view device);

}  // namespace hwman
