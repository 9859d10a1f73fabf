// The system's computer name, as NT has it: upper case, at most 15
// characters. The ComputerName registry value when it is set, else the host
// name up to its first dot, upper-cased and cut to 15 characters.
// (MXRHOSTNAME and TEST_UNAME override it where the components read them.)
#pragma once

#include <string>
#include <string_view>

namespace portlib::platform {

// Where the name is configured, below HKEY_LOCAL_MACHINE.
inline constexpr const char* kComputerNameKey = "SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName";
inline constexpr const char* kComputerNameValue = "ComputerName";
inline constexpr std::size_t kMaxComputerName = 15;

class ComputerName {
public:
    // 0 and the name, or a Win32 error: 234 when the registry value is longer
    // than 15 characters, 13 when it is not a string, 2 when neither the
    // registry nor the host has a name.
    static int Get(std::string* name);

    // Get for a process that must have a name: a registry value that cannot
    // be one (too long, not a string, unreadable) is reported on the error
    // stream and the host-name rule answers instead. 2 only when the host
    // has no name either.
    static int GetOrHostName(std::string* name);

    // The host-name part of the rule: "node7.example.com" -> "NODE7".
    static std::string FromHostName(std::string_view hostName);

    // Stores the registry value (what setup does for a simulated system).
    static int Set(const char* name);

private:
    // The host-name rule applied to this host's name; 2 when it gives none.
    static int FromThisHost(std::string* name);
};

}  // namespace portlib::platform
