#include "DatabaseVolumeMaps.h"

#include <deque>
#include <unordered_set>

namespace dbguard {

bool DatabaseVolumeMaps::AddLine(const std::string& line, std::string* problem) {
    if (line.size() > kMaxLineBytes) {
        *problem = "a line is longer than " + std::to_string(kMaxLineBytes) + " characters";
        return false;
    }
    if (line.empty() || line.find(' ') == std::string::npos) return true;
    std::vector<std::string> words;
    std::size_t at = 0;
    while (true) {
        const std::size_t blank = line.find(' ', at);
        words.push_back(line.substr(at, blank == std::string::npos ? std::string::npos : blank - at));
        if (blank == std::string::npos) break;
        at = blank + 1;
    }
    if (words.back().empty()) words.pop_back();
    for (const std::string& w : words) {
        if (w.size() > kMaxNameBytes) {
            *problem = "a name is longer than " + std::to_string(kMaxNameBytes) + " characters";
            return false;
        }
    }
    if (volumes_.Size() + databases_.Size() + words.size() > kMaxEntries) {
        *problem = "more than " + std::to_string(kMaxEntries) + " databases and volumes";
        return false;
    }
    const std::string volume = words.front();
    const std::vector<std::string> databases(words.begin() + 1, words.end());
    volumes_.Add(volume, databases);
    for (const std::string& d : databases) databases_.Add(d, {volume});
    return true;
}

void DatabaseVolumeMaps::Clear() {
    volumes_.Clear();
    databases_.Clear();
}

DatabaseVolumeMaps::Connected DatabaseVolumeMaps::Walk(const std::string& key, bool fromDatabase) const {
    // Breadth first over both maps; a key is visited once, so databases that
    // share many volumes cost no more than their links.
    Connected out;
    std::unordered_set<std::string> seenDatabases, seenVolumes;
    std::deque<std::pair<std::string, bool>> todo;  // key, is a database
    const CAssocList& first = fromDatabase ? databases_ : volumes_;
    if (key.empty() || first.Find(key) == nullptr) return out;
    (fromDatabase ? seenDatabases : seenVolumes).insert(key);
    todo.emplace_back(key, fromDatabase);
    while (!todo.empty()) {
        const auto [at, isDatabase] = todo.front();
        todo.pop_front();
        (isDatabase ? out.databases : out.volumes).push_back(at);
        const CAssocList::Entry* entry = (isDatabase ? databases_ : volumes_).Find(at);
        if (entry == nullptr) continue;
        const CAssocList& other = isDatabase ? volumes_ : databases_;
        auto& seen = isDatabase ? seenVolumes : seenDatabases;
        for (const std::string& next : entry->values) {
            if (next.empty() || other.Find(next) == nullptr) continue;
            if (seen.insert(next).second) todo.emplace_back(next, !isDatabase);
        }
    }
    return out;
}

}  // namespace dbguard
