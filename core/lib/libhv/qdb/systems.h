// The systems table: one record per system a database knows, with its
// state letter and description. Defining another system in the local
// database makes room for its cached database; removing it removes its
// paths and that copy. Stored in config/systems.
#pragma once

#include "QdbShmLayout.h"

#include <cstdio>
#include <string>

class DbMgr;
class ProxyPostOffice;

using sys_state = std::int32_t;  // '0' ILLSYS, 'A' ALIVE, 'D' DEAD, 'U' UNKNOWN

// The number of the report "system \"%s\" unknown on machine \"%s\"" that a
// lookup of a system that is not in the database makes.
inline constexpr int kMsgSystemUnknown = 434;

extern "C" {
int sys_create(const char* dest, const char* name);
int sys_remove(const char* dest, const char* name);
int sys_setstate(const char* dest, const char* name, int state, const char* description);
// The state letter; 'U' on any failure.
int sys_getstate(const char* dbsys, const char* name);
// Copies the description ("" when none) into buf and returns buf; null
// without a name.
char* sys_getdescr(const char* dbsys, const char* name, char* buf);
// The system names of dbsys's database (null-ended, qdbfreeit), or null.
char** sys_list(const char* dbsys);
int sys_sync(const char* dest);
}
// Creates "QDBTSTAMP.<system>" for every other system of the local database.
void sys_mbxInit(ProxyPostOffice& proxy);

namespace cfgstore {

// Until the equivalency table exists, removing a system asks this: the
// equivalencies of dbsys that involve system (null with code 7: none).
using EquivalencyLister = char** (*)(const char* dbsys, const char* system);
void SetSystemTableSeams(EquivalencyLister equivalencies);

}  // namespace cfgstore

class systems {
public:
    qdbshm::ElemHeader h;  // SYSTEM, owning database
    ShmOff name;
    ShmOff description;
    sys_state state;

    static systems* alloc(DbMgr* db);
    void destroy();

    int create(const char* name, int copy);
    int remove();
    int set_state(sys_state state, const char* description);
    sys_state get_state() const { return state; }
    const char* get_state_descr() const;
    const char* sysName() const;

    static const char* convtype(sys_state state);
    // The record of name in dbsys's database (null: local), or null with
    // error 434 (kMsgSystemUnknown).
    static systems* findsys(const char* name, const char* dbsys);
    static systems* find(DbMgr* db, const char* name);
    static int createmany(const char* dbsys, char* text, int copy);
    static int sys_readall();
    static void getall(std::string& out);
    // "<state><description>" of name in the local database; false when none.
    static bool getrec(const char* name, std::string& out);
    static void print(std::FILE* out, int n, const char* text);
    static void dbgDump(std::FILE* out, const systems* s);
    static int broadcastUpdate(char command, const char* name, DbMgr* db, sys_state state, const char* description);
    static int updateCache(char* record);
};
static_assert(sizeof(systems) == 20);
