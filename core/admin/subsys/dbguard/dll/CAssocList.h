// An ordered list of entries, each a key with an ordered list of strings,
// found by exact key through an index.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

namespace dbguard {

class CAssocList {
public:
    struct Entry {
        std::string key;
        std::vector<std::string> values;
    };

    // The entry with exactly this key, or null.
    const Entry* Find(const std::string& key) const;
    // A new key gets an entry with all values, at the end; a known key gets
    // only the first value (when there is one) appended.
    void Add(const std::string& key, const std::vector<std::string>& values);
    // A copy of every entry but the one with key.
    CAssocList CopyWithout(const std::string& key) const;
    void Clear();

    const std::vector<Entry>& Entries() const { return entries_; }
    std::size_t Size() const { return entries_.size(); }

private:
    std::vector<Entry> entries_;
    std::unordered_map<std::string, std::size_t> index_;
};

}  // namespace dbguard
