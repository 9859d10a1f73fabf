#include "BootExecuteList.h"

#include "DriveMap.h"
#include "SharedVolumes.h"
#include "qdberr.h"

#include "platform/RegistryStore.h"

#include <vector>

namespace hvsvc {

namespace pp = portlib::platform;

std::string BootExecuteList::Lines(std::uint32_t presentDrives, std::uint32_t sharedMask) {
    std::vector<portlib::DriveEntry> drives;
    (void)portlib::DriveMap::Load(&drives);
    std::string lines;
    for (const portlib::DriveEntry& d : drives) {
        const std::uint32_t bit = 1u << (d.letter - 'A');
        if (!(presentDrives & bit) || (sharedMask & bit) || d.type != portlib::HV_DRIVE_FIXED) continue;
        const std::string line = "autochk " + d.device + "\n";
        if (lines.size() + line.size() > kBufferBytes - 2) break;
        lines += line;
    }
    return lines;
}

bool BootExecuteList::Rebuild() {
    const std::uint32_t present = portlib::DriveMap::LogicalDrives();
    const std::int64_t mask = SharedVolumes::Read();
    // An unreadable mask would read as "every drive shared" and drop the
    // check of every local drive: the list is left alone instead.
    if (mask <= 0) return false;
    const std::string lines = Lines(present, static_cast<std::uint32_t>(mask));

    pp::RegKey key;
    int rc = 1;
    for (int tries = 0; tries < 3 && rc != 0; ++tries)
        rc = pp::RegistryStore::CreateKey(pp::RegHive::LocalMachine, kSessionManagerKey, &key);
    if (rc != 0) {
        pxm_err(3, 200032, __FILE__, __LINE__, 0, 0, "Unable to open the Session Manager key.\n");
        return false;
    }
    std::string multi = lines;
    if (multi.empty()) {
        pxm_err(6, 200033, __FILE__, __LINE__, 0, 0, "All the disks are protected \n");
        multi.assign(2, '\0');
    } else {
        for (char& c : multi)
            if (c == '\n') c = '\0';
        multi += '\0';
    }
    pxm_err(6, 200031, __FILE__, __LINE__, 0, 0, "Here is the BootExecute buffer that we have built \n%s\nbytes=%u\n",
            lines.c_str(), static_cast<unsigned>(multi.size()));
    rc = pp::RegistryStore::SetValue(key, kBootExecuteValue, pp::HV_REG_MULTI_SZ,
                                     reinterpret_cast<const unsigned char*>(multi.data()),
                                     static_cast<std::uint32_t>(multi.size()));
    if (rc != 0) {
        pxm_err(3, 200034, __FILE__, __LINE__, 0, 0, "Unable to set BootExecute key, %d\n", rc);
        return false;
    }
    return true;
}

}  // namespace hvsvc
