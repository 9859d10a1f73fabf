// The boot-time disk check list: REG_MULTI_SZ "BootExecute" under HKLM
// "SYSTEM\CurrentControlSet\Control\Session Manager", rebuilt so that only
// the local fixed drives are checked at boot, never a shared volume another
// system may be using. One line "autochk <device>" per fixed drive of the
// drive table whose bit is not in the shared-volume mask.
#pragma once

#include <cstdint>
#include <string>

namespace hvsvc {

inline constexpr const char* kSessionManagerKey = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
inline constexpr const char* kBootExecuteValue = "BootExecute";

class BootExecuteList {
public:
    static constexpr std::size_t kBufferBytes = 2048;

    // Rebuilds from the drive table and the current mask. With no shared
    // volume (mask 0), or when the mask cannot be read, the list is left as
    // it is. True when the list was written.
    static bool Rebuild();

    // The lines for a mask, newline-separated, at most kBufferBytes - 2
    // bytes (drives that do not fit are left out).
    static std::string Lines(std::uint32_t presentDrives, std::uint32_t sharedMask);
};

}  // namespace hvsvc
