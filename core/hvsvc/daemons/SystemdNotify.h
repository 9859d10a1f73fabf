// The service's state for systemd: one datagram to $NOTIFY_SOCKET per
// report ("READY=1", "STOPPING=1", "STATUS=..."), as sd_notify sends them.
// A name starting with '@' is in the abstract namespace.
#pragma once

#include <string_view>

namespace hvsvc {

class SystemdNotify {
public:
    // 0 when sent or when no NOTIFY_SOCKET is set; else errno.
    static int Send(std::string_view text);
};

}  // namespace hvsvc
