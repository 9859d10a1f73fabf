// The system's settings under HKEY_LOCAL_MACHINE "SOFTWARE\Vexa\Holdervane",
// one subkey ("section") per area, e.g. "General" with "RootDir". Backed by
// the per-system registry store (platform/RegistryStore.h). Results are Win32
// error numbers: 0, 2 not found, 8 buffer too small, 13 invalid data, 234 more
// data, 259 no more items. A null required argument stops the process.
#pragma once

#include "PortTypes.h"
#include "platform/RegistryStore.h"

namespace portlib {

// The value types (REG_SZ 1, REG_BINARY 3, REG_DWORD 4, REG_MULTI_SZ 7), the
// same names as the store's so that both namespaces can be used together.
using platform::HV_REG_BINARY;
using platform::HV_REG_DWORD;
using platform::HV_REG_EXPAND_SZ;
using platform::HV_REG_MULTI_SZ;
using platform::HV_REG_SZ;

// section and value: reads the value into buf (*pBufSize in: the buffer's size;
// out: the bytes stored). A string always arrives terminated inside buf (234
// when it and its terminator do not fit).
// section, no value: the section's value names; no section: the section
// names; both as a multi-string ("a\0b\0\0"), *pType 7. A complete list is
// 259 with *pBufSize the bytes used; 8 when the buffer ran out exactly (its
// last byte then 0); 234 when a name did not fit (what fitted is terminated).
int RegHVGetStr(const char* section, const char* value, char* buf, DWORD* pBufSize, DWORD* pType);

// The DWORD value, or 0 with *pErr 13 when it is missing or no 4-byte DWORD,
// or 0 with the open error (2) when the section is missing.
int RegHVGetInt(const char* section, const char* key, int* pErr);

// Creates the section as needed and sets the value.
int RegHVSetVal(const char* section, const char* key, const BYTE* data, DWORD cbData, DWORD type);
// The text's bytes without its terminator.
int RegHVSetStr(const char* section, const char* key, const char* val, DWORD type);
int RegHVSetInt(const char* section, const char* key, int value);

// section and value: deletes the value; section alone: every value of the
// section; neither: every section. The delete-all forms give 0 when something
// was deleted, 259 when there was nothing to delete, else the first failure.
int RegHVDelVal(const char* section, const char* value);

}  // namespace portlib
