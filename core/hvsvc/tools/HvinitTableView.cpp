#include "HvinitTableView.h"

#include "HvinitReport.h"
#include "libHVinit.h"

#include <cstdlib>

namespace hvtools {

HvinitTableView::~HvinitTableView() {
    if (table_ != nullptr) hvi_shm_detach(table_);
    hvi_shm_remove();
}

bool HvinitTableView::Open(int getFailedId, int attachFailedId) {
    if (hvi_shm_get() != 1) {
        HVI_REPORT(3, getFailedId, "hvi_shm_get() failed.\n");
        return false;
    }
    table_ = static_cast<hvinit::HvinitTable*>(hvi_shm_attach());
    if (table_ == nullptr) {
        HVI_REPORT(3, attachFailedId, "hvi_shm_attach() failed.\n");
        return false;
    }
    return true;
}

bool HvinitTableView::OpenWhenServing(int notRunningId, int getFailedId, int attachFailedId) {
    if (checkserverready() != 0) {
        HVI_REPORT(3, notRunningId, "HV-init is not running.\n");
        return false;
    }
    return Open(getFailedId, attachFailedId);
}

bool HvinitTableView::Close(int detachFailedId) {
    bool ok = true;
    if (table_ != nullptr && hvi_shm_detach(table_) != 0) {
        HVI_REPORT(3, detachFailedId, "hvi_shm_detach() failed.\n");
        ok = false;
    }
    table_ = nullptr;
    hvi_shm_remove();
    return ok;
}

std::string HvinitTableView::SystemName() const {
    return table_ != nullptr ? FieldText(table_->header.systemName) : std::string();
}

SlotCopy HvinitTableView::Slot(int index) const {
    SlotCopy copy;
    if (table_ == nullptr || index < 0 || index >= hvinit::kSlotCount) return copy;
    const hvinit::HvinitSlot& s = table_->slots[index];
    copy.index = index;
    copy.command = FieldText(s.command);
    copy.pid = s.pid;
    copy.groupNumber = s.groupNumber;
    copy.instanceName = FieldText(s.instanceName);
    copy.pollTime = s.pollTime;
    copy.restartCount = s.restartCount;
    copy.restartInterval = s.restartInterval;
    copy.restartTimeUnit = s.restartTimeUnit;
    copy.fileName = FieldText(s.fileName);
    copy.state = s.state;
    return copy;
}

int HvinitTableView::Find(const std::string& argument, bool* isPid, long* pid) const {
    const std::string wanted = ProgramPart(argument);
    *isPid = is_pid_text(wanted.c_str()) == 1;
    *pid = *isPid ? std::atol(wanted.c_str()) : -1;
    if (table_ == nullptr) return -1;
    for (int i = 0; i < hvinit::kSlotCount; ++i) {
        const hvinit::HvinitSlot& s = table_->slots[i];
        if (s.inUse != 1) continue;
        if (*isPid) {
            if (*pid > 0 && s.pid == *pid) return i;
        } else if (ProgramPart(FieldText(s.command)) == wanted) {
            return i;
        }
    }
    return -1;
}

std::string ProgramPart(const std::string& command) { return command.substr(0, command.find('|')); }

}  // namespace hvtools
