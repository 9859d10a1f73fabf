// One database in the segment: the local system's, or a cached copy of
// another system's. The object itself is a DBMGR element of the manager's
// chain; its tables' elements live in its own page chain.
#pragma once

#include "MemMgr.h"
#include "QdbDbTime.h"
#include "QdbShmLayout.h"
#include "ShmMgr.h"

#include <cstdint>
#include <cstdio>

class DbMgr {
public:
    qdbshm::ElemHeader h;   // DBMGR, owner 0
    std::int32_t pageChain;
    QdbDbTime tStamp;
    std::int32_t loading;   // 1 while another system's copy is loaded for it (a holder
                            // killed meanwhile leaves it; the abandoned lock clears it)
    ShmOff name;            // ShmStr allocated from the manager
    ShmOff roots;           // ShmList of the resource instances, by tag

    // A new database named `dbName` with `pages` pages of its own, in the
    // segment at pShmPtr. The local node's database gets the stamp {now, 0}.
    // Null when the segment has no room.
    static DbMgr* create(const char* dbName, std::int32_t pages);
    // Returns the page chain to the pool and frees the name and the object.
    // 0, or -1 (reported, nothing changed) for an address that is no DbMgr.
    static int destroy(DbMgr* db);

    // The allocator of this database's chain.
    MemMgr mem() { return MemMgr(QdbPages(), &pageChain, QdbPages().offOf(this)); }
    // The manager's own chain (owner 0).
    static MemMgr manager();

    // The name, or null when unnamed or the string is not valid.
    const char* dbName() const;
    // True for the local node's database and for an unnamed one.
    bool islocal() const;
    // The stamp rule of a cache update from `before` to `after`: a zero
    // stamp stays zero (-1); a stamp equal to before becomes after (0); any
    // other is zeroed, so the copy is reloaded at its next lookup (-1).
    int applyStamp(const QdbDbTime& before, const QdbDbTime& after);
    void dbgDump(std::FILE* out) const;
};
static_assert(sizeof(DbMgr) == 32);
static_assert(offsetof(DbMgr, pageChain) == 8);
static_assert(offsetof(DbMgr, tStamp) == 12);
static_assert(offsetof(DbMgr, loading) == 20);
static_assert(offsetof(DbMgr, name) == 24);
static_assert(offsetof(DbMgr, roots) == 28);
