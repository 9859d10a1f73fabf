// A dependency: the parent instance depends on the child instance of the
// same database. The record lives in the database's pages (storage type
// DEPEND); the parent's dependency list (hvresource::depsOff, keyed
// "<parent>\x01<child>") holds it. An instance counts its parents; one
// with none is a root and stands in the database's instance list
// (DbMgr::roots), so every walk from that list reaches every instance.
// Dependencies are stored in the instance lines of the instances files.
#pragma once

#include "QdbShmLayout.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class DbMgr;
class hvresource;

extern "C" {
// parent depends on child in system's database (null: the local one;
// another system: forwarded). 0 or -1.
int dep_create(const char* system, const char* parent, const char* child);
// Removes the dependencies that match parent and child (null: any; not
// both). removed, when given, receives "\"p\", \"c\", " per removed pair
// separated by 0x01 and must hold them all. 0 or -1.
int dep_remove(const char* system, const char* parent, const char* child, char* removed);
// "<parent><sep><child>" records (sep 0: 0x01) of system's database: which
// 0 the parents of tag, 1 its children, 2 everything below it, 3 everything
// above it; application and type filter the far instance. A null-ended
// array (qdbfreeit each entry and the array), or null. At most
// kDepListMax entries: a longer list is cut there and code 6 is left.
char** dep_list(const char* system, const char* tag, int which, const char* application, const char* type, char sep);
}

inline constexpr int kDepListMax = 5000;

// 0 removed, 1 nothing matched, 2 a removal failed.
enum deperr_t { DEP_REMOVED = 0, DEP_NOMATCH = 1, DEP_FAILED = 2 };

class dependency {
public:
    qdbshm::ElemHeader h;  // DEPEND, owning database
    ShmOff parentNm;
    ShmOff childNm;
    ShmOff parp;  // the parent instance
    ShmOff chdp;  // the child instance

    static void* operator new(std::size_t size, DbMgr& db) noexcept;
    static void operator delete(void* p);
    static void operator delete(void* p, DbMgr& db);
    dependency();
    ~dependency();

    // Ties parent to child in the owning database, refusing loops (845)
    // and duplicates (846). from_cache: a copy's record (no change flags).
    int create(const char* parent, const char* child, int from_cache);
    // The linking step of create once both instances are known and checked.
    int link(hvresource* parent, hvresource* child, int from_cache);
    // Unlinks this record from its instances (the child becomes a root
    // when it loses its last parent). The caller frees the record.
    int remove();
    // 1 when b is a or lies below a.
    static int looptest(hvresource* a, hvresource* b);
    // Takes the child out of the root list when it gets its first parent
    // and counts the new parent.
    static int createfix(hvresource* parent, hvresource* child);
    // Removes, below inst first, every dependency of the visited instances
    // whose parent and child match (null: any), appending each pair to
    // removed. At most one when both are given.
    static deperr_t remchd(hvresource* inst, const char* parent, const char* child, std::string& removed, bool* stop);

    // Loads instance lines (tag first, the child tags after the tenth field)
    // into system's database. 0 or -1 (every line is still tried).
    static int createmany(const char* system, char* lines, int flag);
    // Reads every type's instances file of the local database. 0 or -1.
    static int dep_readall();
    // The removal hook of the table descriptors: does nothing.
    static int dep_remthis(const char* destsys, const char* record);

    const char* parent() const;
    const char* child() const;
    hvresource* parentRes() const;
    // The records of inst's dependency list, in list order.
    static std::vector<dependency*> of(const hvresource* inst);
    hvresource* childRes() const;

    // The cache update 'a' or 'c' of key "<parent>\x01<child>" for db.
    static int broadcastUpdate(char command, const char* key, DbMgr* db);
    // Applies one received record (after 'F' and 'j'): 0, or -1 no text, -2
    // bad command, -3 to -8 missing parts, -9 a create refused, -12 no such
    // copy.
    static int updateCache(char* text);

    // Prints the tags of an instance's dependency list.
    static void printdep(ShmOff list);
    void dbgDump() const;
};
static_assert(sizeof(dependency) == 24);

namespace cfgstore {
// The lower instance of the dependency record at `record`, or null.
hvresource* DependencyLower(ShmOff record);
// Every instance of db once: each of the instance list followed depth
// first by those below it.
std::vector<hvresource*> AllInstances(DbMgr* db);
}  // namespace cfgstore

// The number of parents of an instance (kept in its second scratch word).
std::uint16_t& ParentCount(hvresource* r);
