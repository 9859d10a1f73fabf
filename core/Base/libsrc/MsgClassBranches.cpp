#include "MsgClassBranches.h"

#include "MxrAssert.h"

namespace {
// Codes beyond this are tried in turn each time rather than given a place
// in the table: the table is sized by the largest code it has seen.
constexpr int kMaxRememberedCode = 4096;
}  // namespace

MsgClassBranches::MsgClassBranches(std::initializer_list<int> codes_) : codes(codes_) {
    // A branch number and the "none" mark fit in a signed char beside 0.
    MXR_ASSERT(codes.size() < 120, "codes.size() < 120", "MsgClassBranches");
}

int MsgClassBranches::TryInTurn(const BaseMsgPtr& msg) const {
    if (static_cast<const BasePtr&>(msg).GetPtr() == nullptr) return -1;
    for (std::size_t i = 0; i < codes.size(); ++i)
        if (msg->IsOfType(codes[i])) return static_cast<int>(i);
    return -1;
}

int MsgClassBranches::Learn(const BaseVirtItem& m, int id) {
    int branch = -1;
    for (std::size_t i = 0; i < codes.size() && branch < 0; ++i)
        if (m.IsOfType(codes[i])) branch = static_cast<int>(i);
    if (id >= 0 && id < kMaxRememberedCode) {
        const auto slot = static_cast<std::size_t>(id);
        if (slot >= known.size()) known.resize(slot + 1, 0);
        known[slot] = static_cast<signed char>(branch + 2);
    }
    return branch;
}
