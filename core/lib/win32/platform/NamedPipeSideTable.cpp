#include "platform/NamedPipeSideTable.h"

namespace portlib::platform {

PipeSideTable& PipeSideTable::Instance() {
    static PipeSideTable* table = new PipeSideTable;
    return *table;
}

PipeSideTable::PipeSideTable() : looks_(new std::atomic<unsigned char>[kFlagFds]()) {}

void PipeSideTable::SetFlag(int fd, bool look) {
    if (fd >= 0 && fd < kFlagFds) looks_[fd].store(look ? 1 : 0, std::memory_order_release);
}

void PipeSideTable::Note(int fd, const Entry& entry) {
    std::lock_guard<std::mutex> lock(mu_);
    auto it = map_.find(fd);
    if (it == map_.end() || it->second.get() != &entry) return;
    SetFlag(fd, entry.NeedsLook());
}

std::shared_ptr<PipeSideTable::Entry> PipeSideTable::Find(int fd) const {
    std::lock_guard<std::mutex> lock(mu_);
    auto it = map_.find(fd);
    return it == map_.end() ? nullptr : it->second;
}

std::shared_ptr<PipeSideTable::Entry> PipeSideTable::Register(int fd, PipeReadMode mode) {
    auto entry = std::make_shared<Entry>();
    entry->mode = mode;
    std::lock_guard<std::mutex> lock(mu_);
    map_[fd] = entry;
    SetFlag(fd, entry->NeedsLook());
    return entry;
}

std::shared_ptr<PipeSideTable::Entry> PipeSideTable::FindOrAdd(int fd) {
    std::lock_guard<std::mutex> lock(mu_);
    auto& slot = map_[fd];
    if (!slot) {
        slot = std::make_shared<Entry>();
        SetFlag(fd, false);
    }
    return slot;
}

void PipeSideTable::Drop(int fd) {
    std::lock_guard<std::mutex> lock(mu_);
    map_.erase(fd);
    SetFlag(fd, false);
}

std::size_t PipeSideTable::Count() const {
    std::lock_guard<std::mutex> lock(mu_);
    return map_.size();
}

}  // namespace portlib::platform
