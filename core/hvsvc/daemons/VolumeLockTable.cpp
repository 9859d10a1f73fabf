#include "VolumeLockTable.h"

#include "DriveMap.h"
#include "qdberr.h"

#include "platform/ErrnoWin32.h"

#include <cctype>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace hvsvc {

VolumeLockTable::~VolumeLockTable() {
    for (int& h : handles_)
        if (h >= 0) ::close(h);
}

bool VolumeLockTable::Lock(char letter) {
    const char up = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
    const int index = up - 'A';
    const std::uint32_t bit = 1u << index;
    if (handles_[index] >= 0) {
        pxm_err(6, 200021, __FILE__, __LINE__, 0, 0, ":LockVol: Volume %c: has a valid table entry\n", up);
        return false;
    }
    if (mask_ & bit) {
        pxm_err(6, 200022, __FILE__, __LINE__, 0, 0, "LockVol: LockFlag is already set for volume %c:\n", up);
        mask_ &= ~bit;
    }
    portlib::DriveEntry drive;
    const int found = portlib::DriveMap::Find(up, &drive);
    const std::string volName = found == 0 ? drive.device : std::string("\\\\.\\") + up + ":";
    pxm_err(6, 200023, __FILE__, __LINE__, 0, 0, "Locking volume %c, index %d, VolName %s, mask %d\n", up, index,
            volName.c_str(), static_cast<int>(bit));
    int fd = -1;
    int err = found;
    if (found == 0) {
        fd = ::open(drive.device.c_str(), O_RDWR | O_EXCL | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) err = errno;
    }
    if (fd < 0) {
        pxm_err(3, 200024, __FILE__, __LINE__, 0, 0, "LockVOl: unable to lock volume %s, %d\n", volName.c_str(),
                portlib::platform::Win32FromErrno(err));
        handles_[index] = -1;
        return false;
    }
    handles_[index] = fd;
    mask_ |= bit;
    return true;
}

bool VolumeLockTable::Unlock(char letter) {
    const char up = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
    const int index = up - 'A';
    const std::uint32_t bit = 1u << index;
    if (handles_[index] < 0) {
        pxm_err(6, 200026, __FILE__, __LINE__, 0, 0, "UnLockVol: Volume %c: does not have a valid table entry\n", up);
        return false;
    }
    if (!(mask_ & bit))
        pxm_err(6, 200027, __FILE__, __LINE__, 0, 0, "UnLockVol: LockFlag is not set for volume %c:\n", up);
    ::close(handles_[index]);
    handles_[index] = -1;
    mask_ &= ~bit;
    pxm_err(6, 200028, __FILE__, __LINE__, 0, 0, "Unlocked drive %c, LockFlag is %x\n", up, mask_);
    return true;
}

}  // namespace hvsvc
