// The volume locks of this system: one held open handle per drive letter.
//
// A lock is the drive's block device (from the drive table) opened read-write
// with O_EXCL and kept open: while it is held, the kernel refuses to mount the
// device (and other O_EXCL opens) with EBUSY, so no file system can be put
// on a volume another system may be using. Plain opens are not refused, as
// NT's volume lock with read sharing let readers in. A device already
// mounted cannot be locked.
#pragma once

#include <cstdint>

namespace hvsvc {

class VolumeLockTable {
public:
    VolumeLockTable() = default;
    ~VolumeLockTable();
    VolumeLockTable(const VolumeLockTable&) = delete;
    VolumeLockTable& operator=(const VolumeLockTable&) = delete;

    // letter 'A'-'Z' either case (checked by the caller). True when locked.
    bool Lock(char letter);
    bool Unlock(char letter);
    // Bit n set while drive 'A'+n is locked.
    std::uint32_t Mask() const { return mask_; }

private:
    int handles_[26] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                        -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
    std::uint32_t mask_ = 0;
};

}  // namespace hvsvc
