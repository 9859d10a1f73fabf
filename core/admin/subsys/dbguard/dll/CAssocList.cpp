#include "CAssocList.h"

namespace dbguard {

const CAssocList::Entry* CAssocList::Find(const std::string& key) const {
    const auto it = index_.find(key);
    return it == index_.end() ? nullptr : &entries_[it->second];
}

void CAssocList::Add(const std::string& key, const std::vector<std::string>& values) {
    const auto it = index_.find(key);
    if (it != index_.end()) {
        if (!values.empty()) entries_[it->second].values.push_back(values.front());
        return;
    }
    index_.emplace(key, entries_.size());
    entries_.push_back({key, values});
}

CAssocList CAssocList::CopyWithout(const std::string& key) const {
    CAssocList copy;
    for (const Entry& e : entries_)
        if (e.key != key) copy.Add(e.key, e.values);
    return copy;
}

void CAssocList::Clear() {
    entries_.clear();
    index_.clear();
}

}  // namespace dbguard
