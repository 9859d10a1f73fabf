#include "RegistrySettingsStore.h"

#include "platform/RegistryStore.h"

#include <vector>

namespace panelaid {

namespace pp = portlib::platform;

namespace {

bool OpenSettings(const std::string& program, pp::RegKey* key) {
    return pp::RegistryStore::CreateKey(pp::RegHive::LocalMachine, RegistrySettingsStore::KeyPath(program).c_str(),
                                        key) == 0;
}

}  // namespace

std::string RegistrySettingsStore::KeyPath(const std::string& program) {
    return "SOFTWARE\\Vexa\\Holdervane\\Admin\\" + program + "\\Settings";
}

SettingsResult RegistrySettingsStore::ReadText(const std::string& program, const std::string& name,
                                               std::size_t maxBytes, std::string* text) {
    pp::RegKey key;
    if (!OpenSettings(program, &key)) return SettingsResult::NoKey;
    std::vector<unsigned char> buf(maxBytes);
    std::uint32_t size = static_cast<std::uint32_t>(buf.size());
    std::uint32_t type = 0;
    if (pp::RegistryStore::QueryValue(key, name.c_str(), &type, buf.data(), &size) != 0 || type != pp::HV_REG_SZ)
        return SettingsResult::NoValue;
    // Strings come back terminated inside the buffer.
    text->assign(reinterpret_cast<const char*>(buf.data()));
    return SettingsResult::Ok;
}

SettingsResult RegistrySettingsStore::WriteText(const std::string& program, const std::string& name,
                                                const std::string& text) {
    pp::RegKey key;
    if (!OpenSettings(program, &key)) return SettingsResult::NoKey;
    const int rc = pp::RegistryStore::SetValue(key, name.c_str(), pp::HV_REG_SZ,
                                               reinterpret_cast<const unsigned char*>(text.c_str()),
                                               static_cast<std::uint32_t>(text.size() + 1));
    return rc == 0 ? SettingsResult::Ok : SettingsResult::WriteFailed;
}

SettingsResult RegistrySettingsStore::ReadNumber(const std::string& program, const std::string& name,
                                                 std::uint32_t* value) {
    pp::RegKey key;
    if (!OpenSettings(program, &key)) return SettingsResult::NoKey;
    unsigned char bytes[4] = {};
    std::uint32_t size = sizeof bytes;
    std::uint32_t type = 0;
    if (pp::RegistryStore::QueryValue(key, name.c_str(), &type, bytes, &size) != 0 || type != pp::HV_REG_DWORD ||
        size != 4)
        return SettingsResult::NoValue;
    *value = static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
             static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
    return SettingsResult::Ok;
}

SettingsResult RegistrySettingsStore::WriteNumber(const std::string& program, const std::string& name,
                                                  std::uint32_t value) {
    pp::RegKey key;
    if (!OpenSettings(program, &key)) return SettingsResult::NoKey;
    const unsigned char bytes[4] = {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
                                    static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
    const int rc = pp::RegistryStore::SetValue(key, name.c_str(), pp::HV_REG_DWORD, bytes, sizeof bytes);
    return rc == 0 ? SettingsResult::Ok : SettingsResult::WriteFailed;
}

}  // namespace panelaid
