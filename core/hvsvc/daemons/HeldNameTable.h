// The named objects of one kind (events, shared memory or mutexes) that the
// object-persistence server holds, with their reference counts. An array that
// grows by 10 entries and never shrinks; names compare exactly. Touched by the
// server thread only.
#pragma once

#include "HeldObjectOpener.h"
#include "HeldPidTable.h"

#include "platform/NamedObject.h"

#include <cstdint>
#include <string>
#include <vector>

namespace hvsvc {

struct NameRecord {
    std::string name;  // empty for an unused entry
    std::uint32_t handle;
    std::int32_t refs;
};

class HeldNameTable {
public:
    // The longest name with its NUL: the size of a listing's name field.
    static constexpr std::size_t kNameField = 264;

    explicit HeldNameTable(HeldKind kind) : kind_(kind) {}

    PreserveResult Store(const std::string& name);
    // force: closes the object at once whatever its count.
    PreserveResult Clear(const std::string& name, bool force);
    PreserveResult Query(const std::string& name) const;
    // One record per entry, used or not.
    std::vector<NameRecord> Dump() const;
    std::size_t Capacity() const { return entries_.size(); }

private:
    struct Entry {
        std::string name;
        portlib::platform::NamedObject object;
        std::int32_t refs = 0;
        bool Held() const { return refs > 0; }
        bool Free() const { return name.empty() && refs == 0; }
    };

    HeldKind kind_;
    std::vector<Entry> entries_;
};

}  // namespace hvsvc
