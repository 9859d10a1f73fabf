// The per-process start-up of the database library: which program this is,
// the lock and event, the segment, and in the process that creates the
// segment (the database daemon) the load of every table from its files.
#pragma once

// Application ids: 1 the database daemon, 2 the communication manager,
// anything else an ordinary client. Set before the start-up.
void setAppId(int id);
bool qdbtest();  // the database daemon
bool mxrtest();  // the communication manager

// Installs the signal handlers and runs qdbpinit; once per process.
void qdbinit(void);
// The start-up; once per process, whichever threads call it at once (the
// others wait until it is done; the thread running it may call it again and
// returns at once).
void qdbpinit(void);

// Waits until the manager-available word of the shared global part is set,
// at most INITTIMEOUT seconds; then the critical report naming the seconds
// really waited.
void qdbWaitForManager(void);

// The start-up pass of a fresh segment, run by qdbpinit in the process that
// created it when pQdb_doinit is set: it waits for the paths to the other
// systems (qdbWaitForPaths), gives every instance its state
// (hvresource::initallres) and writes the tables.
void qdbRunStartupPass(void);
// Waits until every stored path to another system is ALIVE, at most the
// longest heartbeat time-out among them.
void qdbWaitForPaths(void);
// A daemon that must serve other systems' requests while the pass runs
// (their start-up passes read its database) calls this before qdbinit:
// qdbpinit then leaves the pass pending, and the daemon runs it with
// qdbStartupPass once it serves its mailboxes.
void qdbDeferStartupPass(void);
// Runs the pending pass: 1 when it ran, 0 when none was pending.
int qdbStartupPass(void);
// Used by qdbpinit: true (and the pass pending) when the pass is deferred.
bool qdbStartupPassDeferred(void);

// One table's read-all step of the load, in load order; later parts fill in
// the functions (null: the table is not built yet and loads nothing).
struct QdbTableLoad {
    const char* table;
    int (*readAll)();  // 0, or -1 with the thread's error record set
};
extern const QdbTableLoad kQdbTableLoads[8];

// The table descriptors (remove handler, sync function, type letter, name,
// integer), filled by the start-up.
struct qdb_cps_t {
    int (*remthis)(const char* destsys, const char* record);
    int (*sync)();
    char type;
    const char* name;
    int n;
};
extern "C" qdb_cps_t pQdb_cps[8];
