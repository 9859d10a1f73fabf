#include "SharedVolumes.h"

#include "qdberr.h"

#include "platform/RegistryStore.h"
#include "platform/Win32Error.h"

namespace hvsvc {

namespace pp = portlib::platform;

std::int64_t SharedVolumes::Read() {
    pp::RegKey key;
    bool created = false;
    int rc = pp::RegistryStore::CreateKey(pp::RegHive::LocalMachine, kParametersKey, &key, &created);
    if (rc != 0) {
        pxm_err(3, 200017, __FILE__, __LINE__, 0, 0, "Unable to open Holdervane HVINIT registry keys, error = %d\n", rc);
        return -1;
    }
    std::uint32_t mask = 0;
    std::uint32_t type = 0;
    std::uint32_t size = sizeof mask;
    rc = created ? pp::HV_ERROR_FILE_NOT_FOUND
                 : pp::RegistryStore::QueryValue(key, kSharedVolumesValue, &type,
                                                 reinterpret_cast<unsigned char*>(&mask), &size);
    if (rc == pp::HV_ERROR_FILE_NOT_FOUND) {
        const std::uint32_t zero = 0;
        (void)pp::RegistryStore::SetValue(key, kSharedVolumesValue, pp::HV_REG_DWORD,
                                          reinterpret_cast<const unsigned char*>(&zero), sizeof zero);
        return 0;
    }
    if (rc == 0 && (type != pp::HV_REG_DWORD || size != sizeof mask)) rc = pp::HV_ERROR_INVALID_DATA;
    if (rc != 0) {
        pxm_err(3, 200018, __FILE__, __LINE__, 0, 0, "Unable to query key %s, error = %d\n", kSharedVolumesValue, rc);
        return -1;
    }
    return mask;
}

bool SharedVolumes::Write(std::uint32_t mask) {
    pp::RegKey key;
    int rc = pp::RegistryStore::CreateKey(pp::RegHive::LocalMachine, kParametersKey, &key);
    if (rc != 0) {
        pxm_err(3, 200019, __FILE__, __LINE__, 0, 0, "Unable to open Holdervane HVINIT registry keys, error = %d\n", rc);
        return false;
    }
    rc = pp::RegistryStore::SetValue(key, kSharedVolumesValue, pp::HV_REG_DWORD,
                                     reinterpret_cast<const unsigned char*>(&mask), sizeof mask);
    if (rc != 0) return false;
    pxm_err(6, 200020, __FILE__, __LINE__, 0, 0, "Opened %s key and set value %d\n", kParametersKey,
            static_cast<int>(mask));
    return true;
}

}  // namespace hvsvc
