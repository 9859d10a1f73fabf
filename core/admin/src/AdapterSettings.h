// An adapter's TCP/IP settings in the registry, under
// HKLM\SYSTEM\CurrentControlSet\Services\<adapter>\Parameters\Tcpip:
// IPInterfaceContext and EnableDHCP (DWORDs), IpAddress, SubnetMask and
// DefaultGateway (multi-strings of at most 1024 bytes each). This is the
// adapter's configuration, not the kernel's live state.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ipslib {

// The bound adapters ("Bind": "\Device\<adapter>" each) and their NetBIOS
// devices ("Export": "\Device\NetBT_<adapter>" each).
inline constexpr const char* kBindKey = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Linkage";
inline constexpr const char* kExportKey = "SYSTEM\\CurrentControlSet\\Services\\NetBT\\Linkage";

struct AdapterSettings {
    std::uint32_t interfaceContext = 0;
    std::uint32_t enableDhcp = 0;
    std::vector<std::string> addresses;
    std::vector<std::string> masks;
    std::vector<std::string> gateways;
};

// The registry path of an adapter's settings; empty for a name that is not
// one key name (empty, or holding '\').
std::string AdapterKeyPath(const std::string& adapter);

// 1 on success, 0 on failure, printing nothing. Reading fails when the key
// cannot be opened or a list is longer than its 1024 bytes; a missing value
// stays empty. Writing fails when a list does not fit 1024 bytes, the key
// cannot be created or a value cannot be written.
int GetAdapterSettings(const std::string& adapter, AdapterSettings* settings);
int SetAdapterSettings(const std::string& adapter, const AdapterSettings& settings);

// A multi-string value of HKLM (path, value name), at most `limit` bytes.
// 1 on success; 0 when the key or value is missing or too long.
int ReadMachineList(const char* keyPath, const char* value, std::vector<std::string>* entries,
                    std::size_t limit = 1024);
// Stores one; 0 when it does not fit `limit` bytes or the write fails.
int WriteMachineList(const char* keyPath, const char* value, const std::vector<std::string>& entries,
                     std::size_t limit = 1024);

}  // namespace ipslib
