// An equivalency ties two resource instances, each named by system and tag:
// SHARED (one resource that runs on either of two systems; the first pair is
// the primary, the second the secondary; exactly one side local), COMMON
// (two copies whose states follow each other; exactly one side local) and
// COMPOSITE (two shared resources of the local system that leave service
// together). Records live in the database's pages (storage type EQUIV) and
// in the table file "config/equivalencies".
#pragma once

#include "QdbShmLayout.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class DbMgr;

// '0' ILLEQV, 'S' SHARED, 'c' COMPOSITE, 'C' COMMON.
using eqvtype = std::int32_t;
inline constexpr eqvtype ILLEQV = '0';
inline constexpr eqvtype SHARED = 'S';
inline constexpr eqvtype COMPOSITE = 'c';
inline constexpr eqvtype COMMON = 'C';

extern "C" {
// Creates the equivalency here and its partner record on the other side's
// system (dest another system: forwarded). 0 or -1.
int eqv_create(const char* dest, const char* sys1, const char* tag1, const char* sys2, const char* tag2, int type);
// Removes every matching record (null fields: any). 0 or -1.
int eqv_remove(const char* dest, const char* sys, const char* tag, int type, const char* sys2, const char* tag2);
// "sys1 sep tag1 sep sys2 sep tag2 sep TYPE" records of system's database
// (sep 0: 0x01), filtered by sys, tag and type (null or '0': any). A
// null-ended array (qdbfreeit each and the array), or null.
char** eqv_list(const char* system, const char* sys, const char* tag, int type, char sep);
// Writes the equivalencies file (dest another system: asks it). 0 or -1.
int eqv_sync(const char* dest);
}

class equivalency {
public:
    qdbshm::ElemHeader h;  // EQUIV, owning database
    ShmOff sys1;
    ShmOff tag1;
    ShmOff sys2;
    ShmOff tag2;
    eqvtype eqvTyp;
    std::int32_t loc_only;  // made on behalf of the other system: not sent back

    static void* operator new(std::size_t size, DbMgr& db) noexcept;
    static void operator delete(void* p);
    static void operator delete(void* p, DbMgr& db);
    equivalency();
    ~equivalency();

    // Replaces the four names (the type only when not '0'); marks the
    // table changed in the local database. 0, or -1 when a name cannot be
    // stored.
    int setkeys(const char* s1, const char* t1, const char* s2, const char* t2, eqvtype type);
    const char* s1() const;
    const char* t1() const;
    const char* s2() const;
    const char* t2() const;
    // The type matches when not given or equal; (sys, tag) must be one of
    // the two sides (null: anything).
    bool is_a_match(const char* sys, const char* tag, eqvtype type) const;
    // "s1\x01t1\x01s2\x01t2\x01<letter>\n".
    void fmtrec(std::string& out) const;

    // The first record of db whose given fields match (null: any).
    static equivalency* findeqv(DbMgr* db, const char* s1, const char* t1, const char* s2, const char* t2, eqvtype type);
    // The SHARED record in which (sys, tag) of the local database is a side.
    static equivalency* is_shared(const char* sys, const char* tag);
    // Every record of db, in storage order.
    static std::vector<equivalency*> all(DbMgr* db);

    static int privcreate(const char* dest, const char* s1, const char* t1, const char* s2, const char* t2,
                          eqvtype type, int propagate);
    static int priveqv_remove(const char* dest, const char* sys, const char* tag, eqvtype type, const char* sys2,
                              const char* tag2, int fromOtherSide);
    // Loads table lines into system's database: flag 0 stores them as they
    // are (start-up), otherwise each goes through privcreate.
    static int createmany(const char* system, char* lines, int flag);
    static int eqv_readall();
    static int eqv_remthis(const char* destsys, const char* record);
    // The table text of db.
    static void getall(DbMgr* db, std::string& out);

    static int broadcastUpdate(char command, const char* s1, const char* t1, const char* s2, const char* t2,
                               eqvtype type, DbMgr* db);
    // Applies one received record (after 'G' and 'j'): 0, or -1 no text, -2
    // bad command, -3 to -8 missing parts, -9 no room, -12 no such copy.
    static int updateCache(char* text);

    static const char* convtype(eqvtype type);
    void print(int n, const char* text) const;
    void dbgDump() const;
};
static_assert(sizeof(equivalency) == 32);

namespace cfgstore {
// The equivalency side of the instance rules (installed as their seams).
struct EquivalencySide;
struct SharedEquivalency;
bool SharedPartner(const char* system, const char* tag, bool asPrimary, EquivalencySide* other);
void CommonPartners(const char* system, const char* tag, std::vector<EquivalencySide>* out);
void SharedEquivalencies(std::vector<SharedEquivalency>* out);
int MakeShared(const SharedEquivalency& eqv);
}  // namespace cfgstore
