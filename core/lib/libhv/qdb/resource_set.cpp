#include "resource_set.h"

#include "DbMgr.h"
#include "hvresource.h"
#include "qdberr.h"

#include <unordered_set>

namespace {

void Below(hvresource* r, std::unordered_set<hvresource*>& seen, std::vector<hvresource*>& out) {
    if (r == nullptr || !seen.insert(r).second) return;
    out.push_back(r);
    for (hvresource* b : r->below()) Below(b, seen, out);
}

}  // namespace

int resource_set::set_start(const char* tag) {
    if (tag == nullptr || *tag == '\0') return 0;
    walked_ = false;
    if (tag[0] == ' ' && tag[1] == '\0') {
        start_ = Start::List;
        return 0;
    }
    hvresource* r = hvresource::findres(db_, tag, nullptr);
    if (r == nullptr) return hv_err(__FILE__, __LINE__, 23, 894, QDB_NOEXIST, "no resource instance has tag \"%s\"", tag);
    start_ = Start::One;
    one_ = r;
    return 0;
}

void resource_set::walk() {
    if (walked_) return;
    walked_ = true;
    order_.clear();
    std::unordered_set<hvresource*> seen;
    switch (start_) {
    case Start::All:
        for (hvresource* r : hvresource::listed(db_)) Below(r, seen, order_);
        break;
    case Start::List: order_ = hvresource::listed(db_); break;
    case Start::One: Below(one_, seen, order_); break;
    }
}

int resource_set::size() {
    walk();
    return static_cast<int>(order_.size());
}

hvresource* resource_set::operator[](int i) {
    walk();
    if (order_.empty()) {
        hv_err(__FILE__, __LINE__, 23, 872, QDB_RANGE, "attempt to access empty resource list");
        return nullptr;
    }
    if (i < 0 || i >= static_cast<int>(order_.size())) {
        hv_err(__FILE__, __LINE__, 23, 873, QDB_RANGE, "index %d past range 0-%d", i, static_cast<int>(order_.size()) - 1);
        return nullptr;
    }
    return order_[static_cast<std::size_t>(i)];
}
