#include "QdbFreeIt.h"

#include "QdbLock.h"
#include "ShmMgr.h"
#include "DbMgr.h"
#include "ShmStr.h"
#include "qdberr.h"

#include <cstring>

int qdbFreeShared(void* p) {
    ShmPages pages = QdbPages();
    if (p == nullptr || !pages.isShared(p) || pages.offOf(p) < qdbshm::kSegHeaderSize) return 0;
    // Freeing changes the chains every process walks: never without the lock.
    if (qdbgetlock(__FILE__, __LINE__, kQdbWaitForever) != 0) {
        hv_err(__FILE__, __LINE__, 24, kMsgDatabaseLock, "qdbfreeit: the database lock cannot be had; nothing freed");
        return 1;
    }
    std::int32_t tag = 0;
    std::memcpy(&tag, p, sizeof tag);
    if (tag == STRING) {
        ShmStr::destroy(static_cast<ShmStr*>(p));
    } else {
        std::int32_t owner = 0;
        std::memcpy(&owner, static_cast<char*>(p) + 4, sizeof owner);
        MemMgr mem = DbMgr::manager();
        if (tag != FREE && !OwnerMem(owner, &mem)) {
            hv_err(__FILE__, __LINE__, 25, 286, QDB_INT, "Attempt to free an invalid addr, pgno=%d, ptr=0x%x\n",
                   ShmPages::pgOff(pages.offOf(p)), static_cast<unsigned>(pages.offOf(p)));
        } else {
            mem.putFreeElem(p);
        }
    }
    qdbrlslock(__FILE__, __LINE__);
    return 1;
}
