#include "platform/NamedPipeSideTable.h"

namespace portlib::platform {

PipeSideTable& PipeSideTable::Instance() {
    static PipeSideTable* table = new PipeSideTable;
    return *table;
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
    return entry;
}

std::shared_ptr<PipeSideTable::Entry> PipeSideTable::FindOrAdd(int fd) {
    std::lock_guard<std::mutex> lock(mu_);
    auto& slot = map_[fd];
    if (!slot) slot = std::make_shared<Entry>();
    return slot;
}

void PipeSideTable::Drop(int fd) {
    std::lock_guard<std::mutex> lock(mu_);
    map_.erase(fd);
}

std::size_t PipeSideTable::Count() const {
    std::lock_guard<std::mutex> lock(mu_);
    return map_.size();
}

}  // namespace portlib::platform
