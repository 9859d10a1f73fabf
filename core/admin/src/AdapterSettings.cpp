#include "AdapterSettings.h"

#include "IpText.h"
#include "platform/RegistryStore.h"

#include <cstring>

namespace ipslib {

namespace pf = portlib::platform;

namespace {

constexpr const char* kServices = "SYSTEM\\CurrentControlSet\\Services\\";

bool ReadDword(const pf::RegKey& key, const char* name, std::uint32_t* value) {
    std::uint32_t type = 0, size = sizeof *value;
    std::uint32_t v = 0;
    const int rc = pf::RegistryStore::QueryValue(key, name, &type, reinterpret_cast<unsigned char*>(&v), &size);
    if (rc == 2) return true;  // missing: stays zero
    if (rc != 0 || type != pf::HV_REG_DWORD || size != sizeof v) return false;
    *value = v;
    return true;
}

bool ReadList(const pf::RegKey& key, const char* name, std::vector<std::string>* entries, std::size_t limit) {
    entries->clear();
    std::vector<unsigned char> buf(limit + 2);  // room for the terminators the store adds
    std::uint32_t type = 0, size = static_cast<std::uint32_t>(buf.size());
    const int rc = pf::RegistryStore::QueryValue(key, name, &type, buf.data(), &size);
    if (rc == 2) return true;
    if (rc != 0 || type != pf::HV_REG_MULTI_SZ) return false;
    // The list with its last entry's terminator and the final empty string
    // fits the limit.
    std::size_t used = size;
    while (used > 0 && buf[used - 1] == 0) --used;
    if ((used == 0 ? 1 : used + 2) > limit) return false;
    *entries = DecodeMultiString(buf.data(), size);
    return true;
}

bool WriteList(const pf::RegKey& key, const char* name, const std::vector<std::string>& entries, std::size_t limit) {
    std::string bytes;
    if (!EncodeMultiString(entries, &bytes, limit)) return false;
    return pf::RegistryStore::SetValue(key, name, pf::HV_REG_MULTI_SZ,
                                       reinterpret_cast<const unsigned char*>(bytes.data()),
                                       static_cast<std::uint32_t>(bytes.size())) == 0;
}

bool WriteDword(const pf::RegKey& key, const char* name, std::uint32_t v) {
    return pf::RegistryStore::SetValue(key, name, pf::HV_REG_DWORD, reinterpret_cast<const unsigned char*>(&v),
                                       sizeof v) == 0;
}

}  // namespace

std::string AdapterKeyPath(const std::string& adapter) {
    if (adapter.empty() || adapter.find('\\') != std::string::npos || adapter.find('\0') != std::string::npos)
        return {};
    return kServices + adapter + "\\Parameters\\Tcpip";
}

int GetAdapterSettings(const std::string& adapter, AdapterSettings* settings) {
    *settings = AdapterSettings{};
    const std::string path = AdapterKeyPath(adapter);
    pf::RegKey key;
    if (path.empty() || pf::RegistryStore::OpenKey(pf::RegHive::LocalMachine, path.c_str(), &key) != 0) return 0;
    const bool ok = ReadDword(key, "IPInterfaceContext", &settings->interfaceContext) &&
                    ReadDword(key, "EnableDHCP", &settings->enableDhcp) &&
                    ReadList(key, "IpAddress", &settings->addresses, kListBytes) &&
                    ReadList(key, "SubnetMask", &settings->masks, kListBytes) &&
                    ReadList(key, "DefaultGateway", &settings->gateways, kListBytes);
    return ok ? 1 : 0;
}

int SetAdapterSettings(const std::string& adapter, const AdapterSettings& settings) {
    const std::string path = AdapterKeyPath(adapter);
    std::string probe;
    // Nothing is written unless every list fits.
    for (const auto* list : {&settings.addresses, &settings.masks, &settings.gateways})
        if (!EncodeMultiString(*list, &probe)) return 0;
    pf::RegKey key;
    if (path.empty() || pf::RegistryStore::CreateKey(pf::RegHive::LocalMachine, path.c_str(), &key) != 0) return 0;
    const bool ok = WriteDword(key, "IPInterfaceContext", settings.interfaceContext) &&
                    WriteDword(key, "EnableDHCP", settings.enableDhcp) &&
                    WriteList(key, "IpAddress", settings.addresses, kListBytes) &&
                    WriteList(key, "SubnetMask", settings.masks, kListBytes) &&
                    WriteList(key, "DefaultGateway", settings.gateways, kListBytes);
    return ok ? 1 : 0;
}

int ReadMachineList(const char* keyPath, const char* value, std::vector<std::string>* entries, std::size_t limit) {
    pf::RegKey key;
    entries->clear();
    if (pf::RegistryStore::OpenKey(pf::RegHive::LocalMachine, keyPath, &key) != 0) return 0;
    std::uint32_t type = 0, size = 0;
    if (pf::RegistryStore::QueryValue(key, value, &type, nullptr, &size) != 0) return 0;
    return ReadList(key, value, entries, limit) ? 1 : 0;
}

int WriteMachineList(const char* keyPath, const char* value, const std::vector<std::string>& entries,
                     std::size_t limit) {
    pf::RegKey key;
    std::string probe;
    if (!EncodeMultiString(entries, &probe, limit)) return 0;
    if (pf::RegistryStore::CreateKey(pf::RegHive::LocalMachine, keyPath, &key) != 0) return 0;
    return WriteList(key, value, entries, limit) ? 1 : 0;
}

}  // namespace ipslib
