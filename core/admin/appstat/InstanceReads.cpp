#include "InstanceReads.h"

namespace appstat {

namespace {

constexpr std::size_t kTagField = 3;
constexpr std::size_t kStateField = 6;

}  // namespace

std::vector<InstanceEntry> ReadRootInstances(panelaid::ConsoleDatabase& db) {
    std::vector<InstanceEntry> out;
    panelaid::Records records;
    panelaid::InstanceQuery roots;
    roots.start = " ";
    if (!db.InstanceList(nullptr, roots, &records)) return out;
    for (const std::string& record : records) {
        if (out.size() >= kMaxRecords) break;
        const std::vector<std::string> f = panelaid::SplitRecord(record);
        if (f.size() <= kStateField || f[kTagField].empty()) continue;
        out.push_back(InstanceEntry{f[kTagField], f[kStateField]});
    }
    return out;
}

std::optional<std::string> ReadInstanceState(panelaid::ConsoleDatabase& db, const std::string& machine,
                                             const std::string& tag) {
    panelaid::Records records;
    panelaid::InstanceQuery query;
    query.tag = tag.c_str();
    if (!db.InstanceList(machine.c_str(), query, &records)) return std::nullopt;
    std::size_t read = 0;
    for (const std::string& record : records) {
        if (++read > kMaxRecords) break;
        const std::vector<std::string> f = panelaid::SplitRecord(record);
        if (f.size() > kStateField) return f[kStateField];
    }
    return std::nullopt;
}

}  // namespace appstat
