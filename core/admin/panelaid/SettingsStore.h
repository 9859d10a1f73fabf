// Where the consoles keep their window and zoom settings: a key per program
// (SOFTWARE\Vexa\Holdervane\Admin\<PROGRAM>\Settings in the registry for
// RegistrySettingsStore), values read and written by name.
#pragma once

#include <cstdint>
#include <string>

namespace panelaid {

enum class SettingsResult {
    Ok,
    NoKey,      // the program's key cannot be opened or created
    NoValue,    // the value is missing, of another type, or too long
    WriteFailed,
};

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // A text of at most maxBytes - 1 characters; longer ones are NoValue.
    virtual SettingsResult ReadText(const std::string& program, const std::string& name, std::size_t maxBytes,
                                    std::string* text) = 0;
    virtual SettingsResult WriteText(const std::string& program, const std::string& name,
                                     const std::string& text) = 0;
    virtual SettingsResult ReadNumber(const std::string& program, const std::string& name,
                                      std::uint32_t* value) = 0;
    virtual SettingsResult WriteNumber(const std::string& program, const std::string& name,
                                       std::uint32_t value) = 0;
};

}  // namespace panelaid
