#include "HeldNameTable.h"

#include "HeldTableScan.h"
#include "PreserveStatus.h"

#include <climits>
#include <new>

namespace hvsvc {

PreserveResult HeldNameTable::Store(const std::string& name) {
    const HeldTableScan<Entry> scan =
        ScanHeldTable(entries_, [&name](const Entry& e) { return e.Held() && e.name == name; });
    Entry* match = scan.match;
    Entry* free = scan.free;
    if (scan.matches > 1) return PreserveResult::Status(kPreserveStatusHeldTwice);
    if (match != nullptr) {
        if (match->refs == INT_MAX) return PreserveResult::Failed(kPreserveStatusFailed, kWin32OutOfMemory);
        ++match->refs;
        return PreserveResult::Ok();
    }
    portlib::platform::NamedObject object;
    const int err = HeldObjectOpener::Open(kind_, name, &object);
    if (err != 0) return PreserveResult::Failed(kPreserveStatusNotFound, static_cast<std::uint32_t>(err));
    if (free == nullptr && (free = GrowHeldTable(entries_)) == nullptr)
        return PreserveResult::Failed(kPreserveStatusFailed, kWin32OutOfMemory);
    try {
        free->name = name;
    } catch (const std::bad_alloc&) {
        return PreserveResult::Failed(kPreserveStatusFailed, kWin32OutOfMemory);
    }
    free->object = std::move(object);
    free->refs = 1;
    return PreserveResult::Ok();
}

PreserveResult HeldNameTable::Clear(const std::string& name, bool force) {
    for (Entry& e : entries_) {
        if (!e.Held() || e.name != name) continue;
        --e.refs;
        if (e.refs == 0 || force) {
            e.object.Close();
            e.name.clear();
            e.refs = 0;
        }
        return PreserveResult::Ok();
    }
    return PreserveResult::Status(kPreserveStatusNotFound);
}

PreserveResult HeldNameTable::Query(const std::string& name) const {
    for (const Entry& e : entries_)
        if (e.Held() && e.name == name) return PreserveResult::Ok();
    return PreserveResult::Status(kPreserveStatusNotFound);
}

std::vector<NameRecord> HeldNameTable::Dump() const {
    std::vector<NameRecord> records;
    records.reserve(entries_.size());
    for (const Entry& e : entries_)
        records.push_back({e.name, e.object.IsOpen() ? static_cast<std::uint32_t>(e.object.Fd()) : 0u, e.refs});
    return records;
}

}  // namespace hvsvc
