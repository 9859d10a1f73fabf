// SettingsStore in the registry: HKEY_LOCAL_MACHINE
// SOFTWARE\Vexa\Holdervane\Admin\<PROGRAM>\Settings, created when missing.
#pragma once

#include "SettingsStore.h"

namespace panelaid {

class RegistrySettingsStore : public SettingsStore {
public:
    static std::string KeyPath(const std::string& program);

    SettingsResult ReadText(const std::string& program, const std::string& name, std::size_t maxBytes,
                            std::string* text) override;
    SettingsResult WriteText(const std::string& program, const std::string& name, const std::string& text) override;
    SettingsResult ReadNumber(const std::string& program, const std::string& name, std::uint32_t* value) override;
    SettingsResult WriteNumber(const std::string& program, const std::string& name, std::uint32_t value) override;
};

}  // namespace panelaid
