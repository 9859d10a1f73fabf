// The registry as files below $HV_SYSTEM_DIR/registry/: one directory per key
// (hives at the top: "hkey_local_machine"), one file per value. A Win32-shaped
// interface: results are Win32 error numbers, sizes are in/out as the NT value
// calls have them.
//
//   registry/hkey_local_machine/software/vexa/holdervane/general/
//       .lock          flock: exclusive while values or subkeys change, shared while listing
//       .name          the key's name as first spelt
//       rootdir.val    one value (RegistryValueFile)
//
// Keys and value names are case-insensitive (RegistryName). Every value file is
// replaced atomically, so readers take no lock and two processes writing one
// key lose nothing. Strings (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) are stored as
// given; a string read back is always terminated inside the caller's buffer
// (a multi-string by two zero bytes), the size counting the terminator.
#pragma once

#include <cstdint>
#include <string>

namespace portlib::platform {

enum RegType : std::uint32_t {
    HV_REG_NONE = 0,
    HV_REG_SZ = 1,
    HV_REG_EXPAND_SZ = 2,
    HV_REG_BINARY = 3,
    HV_REG_DWORD = 4,
    HV_REG_MULTI_SZ = 7,
};

// Results beyond Win32Error.h that only the registry gives.
inline constexpr int HV_ERROR_DISK_FULL = 112;
inline constexpr int HV_ERROR_REGISTRY_IO_FAILED = 1016;  // damaged value file, unexpected errno
inline constexpr int HV_ERROR_KEY_DELETED = 1018;         // key removed while in use

// The product's key below HKEY_LOCAL_MACHINE; its subkeys are the sections.
inline constexpr const char* kProductKey = "SOFTWARE\\Vexa\\Holdervane";

enum class RegHive { LocalMachine };

// An open key. Holds no descriptor: nothing to close.
class RegKey {
public:
    bool IsOpen() const { return !dir_.empty(); }
    const std::string& Dir() const { return dir_; }

private:
    friend class RegistryStore;
    std::string dir_;
};

class RegistryStore {
public:
    // Opens an existing key; `subKey` is a path with '\' between names (null or
    // "" opens the key itself). 2 when a key on the path is missing, 87 for an
    // empty name within the path, 206 for a name too long for a file name.
    static int OpenKey(RegHive hive, const char* subKey, RegKey* key);
    static int OpenKey(const RegKey& parent, const char* subKey, RegKey* key);

    // Opens the key, creating every missing key on the path. `created` tells
    // whether the last key was new.
    static int CreateKey(RegHive hive, const char* subKey, RegKey* key, bool* created = nullptr);
    static int CreateKey(const RegKey& parent, const char* subKey, RegKey* key, bool* created = nullptr);

    // Value query as NT has it: `data` null asks the size only; a buffer too
    // small gives 234 and the needed size in *size. Null `name` is the key's
    // default value. 2 when the value is missing.
    static int QueryValue(const RegKey& key, const char* name, std::uint32_t* type, unsigned char* data,
                          std::uint32_t* size);

    // Creates or replaces a value. 1018 when the key was deleted meanwhile.
    static int SetValue(const RegKey& key, const char* name, std::uint32_t type, const unsigned char* data,
                        std::uint32_t size);

    // The index-th value or subkey name in folded-name order. *nameSize: in, the
    // buffer's size with room for the terminator; out, the name's length
    // without it (or, with 234, the size needed). 259 past the last one.
    static int EnumValue(const RegKey& key, std::uint32_t index, char* name, std::uint32_t* nameSize,
                         std::uint32_t* type = nullptr);
    static int EnumKey(const RegKey& key, std::uint32_t index, char* name, std::uint32_t* nameSize);

    // 2 when missing.
    static int DeleteValue(const RegKey& key, const char* name);
    // Deletes a key with its values; 5 while it still has subkeys (as NT).
    static int DeleteKey(const RegKey& parent, const char* subKey);
};

}  // namespace portlib::platform
