// Writes the system's admin group setting (General\AdminGroup) into the
// registry of the current system directory.
#pragma once

#include "platform/ObjSecurity.h"
#include "platform/RegistryStore.h"

#include <cstdint>
#include <string>

namespace hvtest {

inline int SetAdminGroup(const std::string& text, std::uint32_t type = portlib::platform::HV_REG_SZ) {
    using namespace portlib::platform;
    RegKey key;
    std::string section = std::string(kProductKey) + "\\" + kAdminGroupSection;
    int rc = RegistryStore::CreateKey(RegHive::LocalMachine, section.c_str(), &key);
    if (rc != 0) return rc;
    return RegistryStore::SetValue(key, kAdminGroupValue, type, reinterpret_cast<const unsigned char*>(text.data()),
                                   static_cast<std::uint32_t>(text.size()));
}

}  // namespace hvtest
