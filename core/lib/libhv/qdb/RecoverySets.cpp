#include "RecoverySets.h"

#include "AutoQdbLock.h"
#include "DbMgr.h"
#include "hvresource.h"

#include <cstring>
#include <map>
#include <set>

namespace cfgstore {

namespace {

void PostOrder(const hvresource* r, std::set<const hvresource*>* seen, std::vector<std::string>* out) {
    if (!seen->insert(r).second) return;
    for (const hvresource* c : r->below()) PostOrder(c, seen, out);
    out->emplace_back(r->tag());
}

// Whether r lies in the set: the failing one, below it (inherited), or
// above it. Members are added once, children first.
bool Member(const hvresource* r, bool inherited, const std::string& failing,
            std::map<std::pair<const hvresource*, bool>, bool>* memo, std::set<const hvresource*>* added,
            std::vector<std::string>* out) {
    const auto key = std::make_pair(r, inherited);
    if (auto it = memo->find(key); it != memo->end()) return it->second;
    const bool flag = inherited || failing == r->tag();
    bool in = flag;
    for (const hvresource* c : r->below())
        if (Member(c, flag, failing, memo, added, out)) in = true;
    if (in && added->insert(r).second) out->emplace_back(r->tag());
    (*memo)[key] = in;
    return in;
}

}  // namespace

std::vector<std::string> PostOrderTags() {
    std::vector<std::string> out;
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    if (db == nullptr) return out;
    std::set<const hvresource*> seen;
    for (const hvresource* root : hvresource::listed(db)) PostOrder(root, &seen, &out);
    return out;
}

std::vector<std::string> FailingSet(const std::string& failingTag) {
    std::vector<std::string> out;
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    if (db == nullptr) return out;
    std::map<std::pair<const hvresource*, bool>, bool> memo;
    std::set<const hvresource*> added;
    for (const hvresource* root : hvresource::listed(db)) Member(root, false, failingTag, &memo, &added, &out);
    return out;
}

}  // namespace cfgstore
