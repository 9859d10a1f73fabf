#include "DebugFlags.h"

#include "ShmMgr.h"

#include <atomic>
#include <mutex>
#include <shared_mutex>

namespace cfgstore {

namespace {

std::shared_mutex g_listMutex;
std::vector<std::string> g_list;

int ListTest(const char* name, int mode) {
    if (name == nullptr) return 0;
    std::shared_lock<std::shared_mutex> hold(g_listMutex);
    for (const std::string& stored : g_list)
        if (FlagMatches(stored, name, mode == 1)) return 1;
    return 0;
}

// With the segment attached the local database's flags decide, else the
// in-process list.
int DefaultTest(const char* name, int mode) {
    return pShmPtr != nullptr ? FlagTableDebugTest(name, mode) : ListTest(name, mode);
}

std::atomic<DebugFlagTestFn> g_test{&DefaultTest};

}  // namespace

void SetDebugFlagTest(DebugFlagTestFn test) { g_test.store(test ? test : &DefaultTest, std::memory_order_release); }

DebugFlagTestFn GetDebugFlagTest() { return g_test.load(std::memory_order_acquire); }

bool FlagMatches(std::string_view stored, std::string_view name, bool wildcards) {
    if (stored == name) return true;
    if (!wildcards || stored.empty()) return false;
    if (stored.back() == '*') {
        std::string_view prefix = stored.substr(0, stored.size() - 1);
        return name.substr(0, prefix.size()) == prefix;
    }
    if (stored.front() == '*') {
        std::string_view suffix = stored.substr(1);
        return name.size() >= suffix.size() && name.substr(name.size() - suffix.size()) == suffix;
    }
    return false;
}

void SetLocalDebugFlags(std::vector<std::string> flags) {
    std::unique_lock<std::shared_mutex> hold(g_listMutex);
    g_list = std::move(flags);
}

}  // namespace cfgstore
