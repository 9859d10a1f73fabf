// The shared-volume mask: REG_DWORD "SharedVolumes" under HKLM
// "SYSTEM\CurrentControlSet\Services\Holdervane\Parameters"; bit n set means
// drive 'A'+n is a volume every system of the cluster reaches.
#pragma once

#include <cstdint>

namespace hvsvc {

inline constexpr const char* kParametersKey = "SYSTEM\\CurrentControlSet\\Services\\Holdervane\\Parameters";
inline constexpr const char* kSharedVolumesValue = "SharedVolumes";

class SharedVolumes {
public:
    // The mask (created as 0 with its key when missing), or -1 when it
    // cannot be read (reported).
    static std::int64_t Read();
    // True when written (reported either way).
    static bool Write(std::uint32_t mask);
};

}  // namespace hvsvc
