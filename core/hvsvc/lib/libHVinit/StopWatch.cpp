#include "StopWatch.h"

#include "HvinitReport.h"
#include "libHVinit.h"

int stopwatch() {
    if (hvi_shm_get() != 1) {
        HVI_REPORT(3, 19542, "hvi_shm_get() failed.\n");
        return -1;
    }
    auto* table = static_cast<hvinit::HvinitTable*>(hvi_shm_attach());
    if (table == nullptr) {
        HVI_REPORT(3, 19543, "hvi_shm_attach() failed.\n");
        hvi_shm_remove();
        return -1;
    }
    // No lock: the monitor may restart a slot at this moment and set M again.
    for (hvinit::HvinitSlot& slot : table->slots)
        if (slot.inUse == 1 && slot.state == hvinit::kStateMonitoring) slot.state = hvinit::kStateStopped;
    HVI_REPORT(6, 19547, "stopwatch() has completed successfully.\n");
    if (hvi_shm_detach(table) != 0) HVI_REPORT(3, 19544, "hvi_shm_detach() failed.");
    hvi_shm_remove();
    return 0;
}
