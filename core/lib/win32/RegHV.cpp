#include "RegHV.h"

#include "NtFuncsAssert.h"
#include "platform/RegistryStore.h"
#include "platform/Win32Error.h"

#include <cstring>
#include <string>

namespace portlib {

namespace {

using platform::RegHive;
using platform::RegistryStore;
using platform::RegKey;
namespace err = platform;

// Large enough for every name the store can hold (a file name of 255 bytes).
constexpr DWORD kMaxItemName = 512;

int OpenProduct(RegKey* key) { return RegistryStore::OpenKey(RegHive::LocalMachine, platform::kProductKey, key); }

int OpenSection(const char* section, RegKey* key) {
    RegKey product;
    int rc = OpenProduct(&product);
    if (rc != err::HV_ERROR_SUCCESS) return rc;
    return RegistryStore::OpenKey(product, section, key);
}

// Names of values (or subkeys) of `key` into buf as a multi-string.
int ListNames(const RegKey& key, bool subkeys, char* buf, DWORD* pBufSize) {
    DWORD size = *pBufSize;
    if (size == 0) return err::HV_ERROR_NOT_ENOUGH_MEMORY;
    DWORD room = size - 1;  // one byte kept for the list's final terminator
    DWORD used = 0;
    for (DWORD index = 0;; ++index) {
        DWORD nameSize = room - used;
        int rc = subkeys ? RegistryStore::EnumKey(key, index, buf + used, &nameSize)
                         : RegistryStore::EnumValue(key, index, buf + used, &nameSize);
        if (rc == err::HV_ERROR_NO_MORE_ITEMS) {
            buf[used] = '\0';
            *pBufSize = used + 1;
            return err::HV_ERROR_NO_MORE_ITEMS;
        }
        if (rc != err::HV_ERROR_SUCCESS) {
            buf[used] = '\0';  // what fitted stays a terminated list
            // With no room left at all the list is known to be cut short.
            return (rc == err::HV_ERROR_MORE_DATA && used == room) ? err::HV_ERROR_NOT_ENOUGH_MEMORY : rc;
        }
        used += nameSize + 1;
    }
}

// Deletes every value (or subkey) of `key`: always the first one, until none is left.
int DeleteAll(const RegKey& key, bool subkeys) {
    bool deleted = false;
    for (;;) {
        char name[kMaxItemName];
        DWORD nameSize = sizeof name;
        int rc = subkeys ? RegistryStore::EnumKey(key, 0, name, &nameSize)
                         : RegistryStore::EnumValue(key, 0, name, &nameSize);
        if (rc == err::HV_ERROR_NO_MORE_ITEMS) return deleted ? err::HV_ERROR_SUCCESS : rc;
        if (rc != err::HV_ERROR_SUCCESS) return rc;
        rc = subkeys ? RegistryStore::DeleteKey(key, name) : RegistryStore::DeleteValue(key, name);
        if (rc != err::HV_ERROR_SUCCESS) return rc;
        deleted = true;
    }
}

}  // namespace

int RegHVGetStr(const char* section, const char* value, char* buf, DWORD* pBufSize, DWORD* pType) {
    HV_NTFUNCS_REQUIRE(buf != nullptr, "buf != NULL");
    HV_NTFUNCS_REQUIRE(pBufSize != nullptr, "pBufSize != NULL");
    RegKey product;
    int rc = OpenProduct(&product);
    if (rc != err::HV_ERROR_SUCCESS) return rc;
    if (section == nullptr) {
        if (pType) *pType = HV_REG_MULTI_SZ;
        return ListNames(product, true, buf, pBufSize);
    }
    RegKey key;
    rc = RegistryStore::OpenKey(product, section, &key);
    if (rc != err::HV_ERROR_SUCCESS) return rc;
    if (value == nullptr) {
        if (pType) *pType = HV_REG_MULTI_SZ;
        return ListNames(key, false, buf, pBufSize);
    }
    DWORD type = 0;
    rc = RegistryStore::QueryValue(key, value, &type, reinterpret_cast<BYTE*>(buf), pBufSize);
    if (rc == err::HV_ERROR_SUCCESS && pType) *pType = type;
    return rc;
}

int RegHVGetInt(const char* section, const char* key, int* pErr) {
    HV_NTFUNCS_REQUIRE(section != nullptr, "section != NULL");
    HV_NTFUNCS_REQUIRE(key != nullptr, "key != NULL");
    RegKey sec;
    int rc = OpenSection(section, &sec);
    int result = 0;
    if (rc == err::HV_ERROR_SUCCESS) {
        DWORD type = 0;
        DWORD size = 0;
        rc = RegistryStore::QueryValue(sec, key, &type, nullptr, &size);
        if (rc != err::HV_ERROR_SUCCESS || type != HV_REG_DWORD || size != 4) {
            rc = err::HV_ERROR_INVALID_DATA;
        } else {
            BYTE bytes[4] = {};
            rc = RegistryStore::QueryValue(sec, key, &type, bytes, &size);
            if (rc == err::HV_ERROR_SUCCESS && (type != HV_REG_DWORD || size != 4)) rc = err::HV_ERROR_INVALID_DATA;
            if (rc == err::HV_ERROR_SUCCESS) std::memcpy(&result, bytes, 4);
        }
    }
    if (pErr) *pErr = rc;
    return rc == err::HV_ERROR_SUCCESS ? result : 0;
}

int RegHVSetVal(const char* section, const char* key, const BYTE* data, DWORD cbData, DWORD type) {
    HV_NTFUNCS_REQUIRE(section != nullptr, "section != NULL");
    HV_NTFUNCS_REQUIRE(key != nullptr, "key != NULL");
    std::string path = std::string(platform::kProductKey) + "\\" + section;
    int rc = err::HV_ERROR_SUCCESS;
    // A section deleted by another process between opening and writing is made again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        RegKey sec;
        rc = RegistryStore::CreateKey(RegHive::LocalMachine, path.c_str(), &sec);
        if (rc == err::HV_ERROR_SUCCESS) rc = RegistryStore::SetValue(sec, key, type, data, cbData);
        if (rc != platform::HV_ERROR_KEY_DELETED) break;
    }
    return rc;
}

int RegHVSetStr(const char* section, const char* key, const char* val, DWORD type) {
    HV_NTFUNCS_REQUIRE(section != nullptr, "section != NULL");
    HV_NTFUNCS_REQUIRE(key != nullptr, "key != NULL");
    HV_NTFUNCS_REQUIRE(val != nullptr, "val != NULL");
    return RegHVSetVal(section, key, reinterpret_cast<const BYTE*>(val), static_cast<DWORD>(std::strlen(val)), type);
}

int RegHVSetInt(const char* section, const char* key, int value) {
    BYTE bytes[4];
    std::memcpy(bytes, &value, 4);
    return RegHVSetVal(section, key, bytes, 4, HV_REG_DWORD);
}

int RegHVDelVal(const char* section, const char* value) {
    RegKey product;
    int rc = OpenProduct(&product);
    if (rc != err::HV_ERROR_SUCCESS) return rc;
    if (section == nullptr) return DeleteAll(product, true);
    RegKey sec;
    rc = RegistryStore::OpenKey(product, section, &sec);
    if (rc != err::HV_ERROR_SUCCESS) return rc;
    if (value == nullptr) return DeleteAll(sec, false);
    return RegistryStore::DeleteValue(sec, value);
}

}  // namespace portlib
