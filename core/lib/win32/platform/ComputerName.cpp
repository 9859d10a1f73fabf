#include "platform/ComputerName.h"

#include "platform/RegistryStore.h"
#include "platform/Win32Error.h"

#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace portlib::platform {

std::string ComputerName::FromHostName(std::string_view hostName) {
    std::string name(hostName.substr(0, hostName.find('.')));
    if (name.size() > kMaxComputerName) name.resize(kMaxComputerName);
    for (char& c : name)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return name;
}

int ComputerName::Get(std::string* name) {
    RegKey key;
    if (RegistryStore::OpenKey(RegHive::LocalMachine, kComputerNameKey, &key) == HV_ERROR_SUCCESS) {
        unsigned char buf[kMaxComputerName + 1];
        std::uint32_t size = sizeof buf;
        std::uint32_t type = 0;
        int rc = RegistryStore::QueryValue(key, kComputerNameValue, &type, buf, &size);
        if (rc == HV_ERROR_SUCCESS) {
            if (type != HV_REG_SZ) return HV_ERROR_INVALID_DATA;
            std::string value(reinterpret_cast<const char*>(buf), ::strnlen(reinterpret_cast<const char*>(buf), size));
            if (!value.empty()) {
                *name = value;
                return HV_ERROR_SUCCESS;
            }
        } else if (rc != HV_ERROR_FILE_NOT_FOUND) {
            return rc;
        }
    }
    return FromThisHost(name);
}

int ComputerName::FromThisHost(std::string* name) {
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0) return HV_ERROR_FILE_NOT_FOUND;
    std::string fromHost = FromHostName(host);
    if (fromHost.empty()) return HV_ERROR_FILE_NOT_FOUND;
    *name = fromHost;
    return HV_ERROR_SUCCESS;
}

int ComputerName::GetOrHostName(std::string* name) {
    const int rc = Get(name);
    if (rc == HV_ERROR_SUCCESS || rc == HV_ERROR_FILE_NOT_FOUND) return rc;
    std::string line = "ComputerName: the registry value " + std::string(kComputerNameValue) + " is unusable (error " +
                       std::to_string(rc) + "); the host name is used\n";
    std::fputs(line.c_str(), stderr);
    return FromThisHost(name);
}

int ComputerName::Set(const char* name) {
    if (name == nullptr) return HV_ERROR_INVALID_PARAMETER;
    RegKey key;
    int rc = RegistryStore::CreateKey(RegHive::LocalMachine, kComputerNameKey, &key);
    if (rc != HV_ERROR_SUCCESS) return rc;
    return RegistryStore::SetValue(key, kComputerNameValue, HV_REG_SZ, reinterpret_cast<const unsigned char*>(name),
                                   static_cast<std::uint32_t>(std::strlen(name)));
}

}  // namespace portlib::platform
