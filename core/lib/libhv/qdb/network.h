// The communication-path table: one record per path from a database's own
// system to another system over one device. Stored in config/networks. In
// the local database a create or remove also asks the local manager's
// administrator to create or delete the path; the manager's database link
// reports paths coming up and going down through mxr_comm_up/mxr_comm_down,
// which keep the other system's state, the failure counter and the
// comm-down flag and start the event commands.
#pragma once

#include "QdbShmLayout.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class DbMgr;

using nettype = std::int32_t;  // '0' ILLNET, 'l' TLI, 'y' TTY, 's' SCSI, 'f' FDP

// Indices of a path's statistics counters.
enum mxrstat_t : int {
    MXRSTAT_FAILURES = 0,  // times the path failed as the last alive one to its system
    MXRSTAT_COUNT = 8,
};

enum mxrstatus_t : std::int32_t {
    MXRNET_FAILED = 0,
    MXRNET_ALIVE = 1,
};

// Set by network::set_all_sync.
extern "C" int All_sync;

extern "C" {
// A path in the database of dest (null: local). 0 created; 1 stored, but the
// administrator did not take it; -1 refused (the thread's error record says
// why) or the manager's pipe failed.
int net_create(const char* dest, const char* system, const char* device, int type, int baud, int priority,
               int hbInterval, int hbMaxMiss);
// Removes the paths to system over device (a null one does not filter).
// 0, or -1.
int net_remove(const char* dest, const char* system, const char* device);
// Replaces a path by another. 0 or -1.
int net_change(const char* dest, const char* oldSystem, const char* oldDevice, const char* newSystem,
               const char* newDevice, int type, int baud, int priority, int hbInterval, int hbMaxMiss);
// The list records of dbsys's paths (all, or those to system), fields joined
// by sep (0: \x01); null-ended, freed with qdbfreeit; null on failure.
char** net_list(const char* dbsys, const char* system, int sep);
// Writes config/networks when the table changed (dest another system: asks it).
int net_sync(const char* dest);
int should_recover(char* text);
int multi_should_recover(char* text, int count, char** list);
}

class network {
public:
    qdbshm::ElemHeader h;  // NETWORK, owning database
    ShmOff system;
    ShmOff device;
    std::uint32_t statistics[MXRSTAT_COUNT];
    std::int32_t netstat;       // mxrstatus_t
    std::int32_t timeLastSent;  // seconds, set by get_alive_conn
    nettype type;
    std::int32_t ttybaud;
    std::int32_t priority;
    std::int32_t hbInterval;
    std::int32_t hbMaxMiss;

    // A new record in db (texts none, counters 0); null when there is no room.
    static network* alloc(DbMgr* db);
    // Frees the texts and the record.
    void destroy();

    // Checks and fills the fresh record in its own database. In the local
    // database it also marks the table changed and sends the 'a' cache
    // update (with the baud as given); the administrator is asked by the
    // caller, without the lock. 0 or -1.
    int create(const char* system, const char* device, nettype type, int baud, int priority, int hbInterval,
               int hbMaxMiss);
    // Asks the administrator to create this path (the values as given). What
    // ProxyMxrAdmin::CreateCommPath answers.
    static int create_msg(const char* system, const char* device, nettype type, int baud, int priority,
                          int hbInterval, int hbMaxMiss);
    // Asks the administrator to delete the path (system null or "": the
    // local system's name). What ProxyMxrAdmin::DeleteCommPath answers.
    static int remove_msg(const char* system, const char* device, nettype type);

    // Loads table text into dbsys's database; reset 1 (the local file) starts
    // every path failed, 0 (a copy from another system) keeps the states.
    static int createmany(int reset, const char* dbsys, char* text, int unused);
    static int net_readall();
    // The table-file text of the local database, appended to out.
    static void getall(std::string& out);
    // The short record of the local path; false when there is none.
    static bool getrec(const char* system, const char* device, std::string& out);
    // The path of dbsys's database (null: local) with that system and device,
    // or null. Under the caller's lock.
    static network* getnet(DbMgr* db, const char* system, const char* device);

    nettype get_nettype() const { return type; }
    int get_ttybaud() const { return ttybaud; }
    int get_priority() const { return priority; }
    int get_hbInterval() const { return hbInterval; }
    int get_hbMaxMiss() const { return hbMaxMiss; }
    mxrstatus_t get_netstat() const { return static_cast<mxrstatus_t>(netstat); }
    std::uint32_t getstat(mxrstat_t which) const { return statistics[which]; }
    const char* sysName() const;
    // The device text, or null when none.
    const char* mydevice() const;

    // Sets the state and sends the 'f' cache update (the table file is not
    // marked changed).
    void set_netstat(mxrstatus_t status);
    void set_time_last_sent(long when) { timeLastSent = static_cast<std::int32_t>(when); }
    // Adds one to a counter of a local record and marks the table changed;
    // on another system's copy error 1016.
    int incstat(mxrstat_t which);

    static const char* convtype(nettype type);
    static const char* convbaud(int baud);
    const char* getstate() const;
    // Seconds per ten thousand bytes at ttybaud; -1 (error 978) for a baud
    // without a figure.
    int secs_per_ten_thou() const;
    // The agent type the administrator is asked for (CommAgentEnt values).
    static int agentType(nettype type);

    static void print(std::FILE* out, int n, const char* text);
    static void dbgDump(std::FILE* out, const network* n);

    static int broadcastUpdate(DbMgr* db, char command, const char* system, const char* device, nettype type,
                               int baud, int priority, int hbInterval, int hbMaxMiss, mxrstatus_t status);
    // Applies one received record (from its command letter on): 0, or -1
    // empty, -2 bad command, -3 nothing after it, -4 no database name, -5 /
    // -6 bad stamps, -7 no 0x01 after the system, -8 no or an illegal type,
    // -9 no room, -10 no such path, -11 no such copy.
    static int updateCache(char* record);

    // Events of the manager's database link (run on its worker thread).
    // mxr_avail: 1 when the manager-available command was started, else 0.
    static int mxr_avail(int force);
    static int mxr_comm_up(const char* system, const char* device);
    static int mxr_comm_down(const char* system, const char* device);
    // Runs the comm_down event again for every system that is down with its
    // flag and no recovered mark: its recovery ran in part or not at all
    // (the manager died, or the machine rebooted, before it ended).
    static void rerun_recoveries();

    // Path queries over the local database.
    static int still_alive_conn(const char* system, const char* device);
    static int are_any_alive(const char* system);
    // excluded: texts of at least 2000 bytes, the first count of them read.
    static int get_alive_conn(const char* system, char* deviceOut, char (*excluded)[2000], int count);
    static void set_all_sync();
};
static_assert(sizeof(network) == 76);
