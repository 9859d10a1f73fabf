// A process-monitor tool's view of the HV-init table: opened and mapped for
// the tool's run, read without a lock (the monitor writes it meanwhile), so
// every slot is copied, text fields bounded, before it is used.
#pragma once

#include "HvinitLayout.h"

#include <string>

namespace hvtools {

// One slot as it stood when copied.
struct SlotCopy {
    int index = -1;
    std::string command;
    int pid = -1;
    int groupNumber = 0;
    std::string instanceName;
    int pollTime = 0;
    int restartCount = 0;
    int restartInterval = 0;
    int restartTimeUnit = 0;
    std::string fileName;
    char state = '\0';
};

class HvinitTableView {
public:
    HvinitTableView() = default;
    ~HvinitTableView();
    HvinitTableView(const HvinitTableView&) = delete;
    HvinitTableView& operator=(const HvinitTableView&) = delete;

    // hvi_shm_get and hvi_shm_attach; a failure is reported under the
    // tool's message id ("hvi_shm_get() failed.\n" or "hvi_shm_attach()
    // failed.\n", severity 3). True when mapped.
    bool Open(int getFailedId, int attachFailedId);
    // First asks whether HV-init serves requests ("HV-init is not running.\n",
    // severity 3, under notRunningId, when not), then Open.
    bool OpenWhenServing(int notRunningId, int getFailedId, int attachFailedId);
    // Unmaps (a failure reported as "hvi_shm_detach() failed.\n" under the
    // id, severity 3) and closes the handle. True unless the unmap failed.
    bool Close(int detachFailedId);

    hvinit::HvinitTable* Table() const { return table_; }
    std::string SystemName() const;
    SlotCopy Slot(int index) const;
    // The first in-use slot for the tool's argument (cut at its first '|'):
    // without a letter it is a pid (above 0) and the slot carries it; else the
    // slot's program part equals it. Its index, or -1.
    int Find(const std::string& argument, bool* isPid, long* pid) const;

private:
    hvinit::HvinitTable* table_ = nullptr;
};

// A text field of the table, up to its NUL or its end.
template <std::size_t N>
std::string FieldText(const char (&field)[N]) {
    std::size_t n = 0;
    while (n < N && field[n] != '\0') ++n;
    return std::string(field, n);
}

// The program part of a command: the text before its first '|'.
std::string ProgramPart(const std::string& command);

}  // namespace hvtools
