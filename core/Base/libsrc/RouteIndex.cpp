#include "RouteIndex.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>

#include "BaseAddrEnt.h"

namespace {
// Bumped by every change to any index: a remembered answer from before a
// change is never used after it.
std::atomic<unsigned long> indexChanges{1};

void Changed() { indexChanges.fetch_add(1, std::memory_order_relaxed); }

// The calling thread's last exact lookup. Hosts longer than the buffer are
// not remembered.
struct LastExact {
    const RouteIndex* index;
    unsigned long changes;  // 0: nothing remembered
    long pid;
    long tid;
    const RouteIndex::Rows* rows;
    std::size_t hostLen;
    char host[48];
};
constinit thread_local LastExact lastExact __attribute__((tls_model("initial-exec"))) = {};
}  // namespace

// A new index, or one at the address of an index gone, must not be taken
// for the one a remembered answer came from.
RouteIndex::RouteIndex() { Changed(); }
RouteIndex::~RouteIndex() { Changed(); }

RouteIndex::KeyView RouteIndex::View(const bStr& host, long pid, long tid) noexcept {
    return {std::string_view(host.StrVal(), static_cast<std::size_t>(host.StrLen())), pid, tid};
}

RouteIndex::KeyView RouteIndex::View(const Key& k) noexcept { return View(k.host, k.pid, k.tid); }

std::size_t RouteIndex::Hash::operator()(const KeyView& k) const noexcept {
    std::size_t h = std::hash<std::string_view>()(k.host);
    h ^= std::hash<long>()(k.pid) + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
    h ^= std::hash<long>()(k.tid) + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
    return h;
}

RouteIndex::Rows& RouteIndex::ListOf(Map& map, const bStr& host, long pid, long tid) {
    auto it = map.find(View(host, pid, tid));
    if (it == map.end()) it = map.emplace(Key{host, pid, tid}, Rows()).first;
    return it->second;
}

void RouteIndex::AddTo(Map& map, const bStr& host, long pid, long tid, BaseAddrEnt* row) {
    Rows& rows = ListOf(map, host, pid, tid);
    // After every row of the same or a higher priority, as in the table (the
    // list is ordered as the table is: highest priority first).
    const int priority = row->GetComPriority();
    auto pos = std::partition_point(rows.begin(), rows.end(),
                                    [priority](const BaseAddrEnt* r) { return r->GetComPriority() >= priority; });
    rows.insert(pos, row);
}

void RouteIndex::RemoveFrom(Map& map, const bStr& host, long pid, long tid, BaseAddrEnt* row) {
    auto it = map.find(View(host, pid, tid));
    if (it == map.end()) return;
    Rows& rows = it->second;
    // A row stands once in each list.
    const auto pos = std::find(rows.begin(), rows.end(), row);
    if (pos != rows.end()) rows.erase(pos);
    if (rows.empty()) map.erase(it);
}

const RouteIndex::Rows* RouteIndex::Find(const Map& map, const bStr& host, long pid, long tid) {
    const auto it = map.find(View(host, pid, tid));
    return it == map.end() ? nullptr : &it->second;
}

void RouteIndex::Add(BaseAddrEnt* row) {
    Changed();
    const bStr host = row->GetHost();
    AddTo(exact, host, row->GetPid(), row->GetTid(), row);
    AddTo(hostPid, host, row->GetPid(), -1, row);
    AddTo(hostOnly, host, -1, -1, row);
}

void RouteIndex::Remove(BaseAddrEnt* row) {
    Changed();
    const bStr host = row->GetHost();
    RemoveFrom(exact, host, row->GetPid(), row->GetTid(), row);
    RemoveFrom(hostPid, host, row->GetPid(), -1, row);
    RemoveFrom(hostOnly, host, -1, -1, row);
}

void RouteIndex::Rebuild(BaseAddrEnt* const* rows, int cnt) {
    Changed();
    exact.clear();
    hostPid.clear();
    hostOnly.clear();
    // In table order: appending keeps each list in that order.
    for (int i = 0; i < cnt; ++i) {
        BaseAddrEnt* row = rows[i];
        if (row == nullptr) continue;
        const bStr host = row->GetHost();
        ListOf(exact, host, row->GetPid(), row->GetTid()).push_back(row);
        ListOf(hostPid, host, row->GetPid(), -1).push_back(row);
        ListOf(hostOnly, host, -1, -1).push_back(row);
    }
}

const RouteIndex::Rows* RouteIndex::Exact(const bStr& host, long pid, long tid) const {
    const KeyView k = View(host, pid, tid);
    const unsigned long changes = indexChanges.load(std::memory_order_relaxed);
    LastExact& last = lastExact;
    if (last.changes == changes && last.index == this && last.pid == pid && last.tid == tid &&
        last.hostLen == k.host.size() && std::memcmp(last.host, k.host.data(), k.host.size()) == 0)
        return last.rows;
    const Rows* rows = Find(exact, host, pid, tid);
    if (k.host.size() <= sizeof last.host) {
        last.index = this;
        last.changes = changes;
        last.pid = pid;
        last.tid = tid;
        last.rows = rows;
        last.hostLen = k.host.size();
        if (!k.host.empty()) std::memcpy(last.host, k.host.data(), k.host.size());
    }
    return rows;
}

const RouteIndex::Rows* RouteIndex::HostPid(const bStr& host, long pid) const { return Find(hostPid, host, pid, -1); }

const RouteIndex::Rows* RouteIndex::Host(const bStr& host) const { return Find(hostOnly, host, -1, -1); }
