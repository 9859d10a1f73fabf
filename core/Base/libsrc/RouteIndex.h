// The route table's index: the rows of the table under each name a lookup
// asks for, each list in the table's own order (priority, then entry), so
// that a lookup finds its route without walking the table.
//
// Three names per row: (host, pid, tid), (host, pid) and host. Built beside
// the table by BaseAddrEnt on the loop's thread; not a framework object.
#pragma once

#include <cstddef>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "bStr.h"

class BaseAddrEnt;

class RouteIndex {
public:
    // The rows under one name, in table order.
    using Rows = std::vector<BaseAddrEnt*>;

    RouteIndex();
    ~RouteIndex();
    RouteIndex(const RouteIndex&) = delete;
    RouteIndex& operator=(const RouteIndex&) = delete;

    // row has just taken its place in a table that is ordered by priority
    // (highest first, in order of entry among equals).
    void Add(BaseAddrEnt* row);
    // row is leaving the table.
    void Remove(BaseAddrEnt* row);
    // Everything from the table as it stands (rows[0..cnt), nulls skipped).
    void Rebuild(BaseAddrEnt* const* rows, int cnt);

    // The rows under a name, or null when there are none. An exact lookup
    // of the same name as the thread's last one, with no change to any index
    // since, is answered without a search (an answer goes back the way its
    // request came, and a client's messages come in runs).
    const Rows* Exact(const bStr& host, long pid, long tid) const;
    const Rows* HostPid(const bStr& host, long pid) const;
    const Rows* Host(const bStr& host) const;

private:
    struct Key {
        bStr host;  // a counted copy: the row that added the name may go first
        long pid;
        long tid;
    };
    struct KeyView {
        std::string_view host;
        long pid;
        long tid;
    };
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(const KeyView& k) const noexcept;
        std::size_t operator()(const Key& k) const noexcept { return (*this)(View(k)); }
    };
    struct Equal {
        using is_transparent = void;
        template <class A, class B>
        bool operator()(const A& a, const B& b) const noexcept {
            const KeyView x = View(a), y = View(b);
            return x.pid == y.pid && x.tid == y.tid && x.host == y.host;
        }
    };
    using Map = std::unordered_map<Key, Rows, Hash, Equal>;

    static KeyView View(const Key& k) noexcept;
    static KeyView View(const KeyView& k) noexcept { return k; }
    static KeyView View(const bStr& host, long pid, long tid) noexcept;
    static Rows& ListOf(Map& map, const bStr& host, long pid, long tid);
    static void AddTo(Map& map, const bStr& host, long pid, long tid, BaseAddrEnt* row);
    static void RemoveFrom(Map& map, const bStr& host, long pid, long tid, BaseAddrEnt* row);
    static const Rows* Find(const Map& map, const bStr& host, long pid, long tid);

    // Each kind of name in a map of its own (the parts a name does not have
    // are -1 there).
    Map exact;
    Map hostPid;
    Map hostOnly;
};
