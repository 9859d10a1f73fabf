// The installation as one process of the configuration database sees it: the
// standard paths below the root directory, the local node name, the exported
// process-wide settings and the tunables read from "<root>/etc/Holdervane".
#pragma once

#include "UnixSystem.h"

// The entries of the table of standard paths (gps), by what each holds; "R/"
// marks an entry that comes with the root directory in front.
enum QdbPath : int {
    kPathStartTime = 0,            // R/config/HV_START_TIME
    kPathOutLog = 1,               // R/out/log
    kPathOsmDevice = 2,            // R/dev/osm
    kPathDaemonMailbox = 3,        // configuration: the daemon's mailbox
    kPathCoreFiles = 4,            // R/corefiles
    kPathObjectBase = 5,           // HVNT: the base of the named objects
    kPathSystemsTable = 6,         // config/systems
    kPathNetworksTable = 7,        // config/networks
    kPathSubsystems = 8,           // subsys
    kPathResourceTypes = 9,        // subsys/%s/resources (application)
    kPathInstancesTable = 10,      // subsys/%s/resources/%s/instances (application, type)
    kPathDependenciesTable = 11,   // the same file, read for the dependencies
    kPathEquivalenciesTable = 12,  // config/equivalencies
    kPathFlagsTable = 13,          // config/flg
    kPathConfigDir = 14,           // config: where the table files are written
    kPathResourceTypeDir = 15,     // subsys/%s/resources/%s
    kPathRootedResourceTypes = 16, // R/subsys/%s/resources
    kPathRecoveryDir = 17,         // R/subsys/%s/resources/%s/recovery
    kPathRoot = 18,                // the root itself
    kPathMxrLog = 19,              // R/out/MXR
    kPathQdbLog = 20,              // R/out/QDB
    kPathTtyMxrLog = 21,           // R/out/TTYMXR
    kPathRemoteExecuteLog = 22,    // R/out/remote_execute
    kPathShell = 23,               // R/bin/sh.exe
    kPathNohup = 24,               // R/bin/nohup.exe
    kPathRm = 25,                  // R/bin/rm
    kPathQdbRecover = 26,          // R/bin/qdbrecover
    kPathQdbDoRem = 27,            // R/bin/qdbdorem
    kPathEventsMxr = 28,           // R/bin/eventsmxr
    kPathSendEvent = 29,           // R/bin/sendevent
    kPathTunables = 30,            // R/etc/Holdervane
    kPathJoin2 = 31,               // %s/%s
    kPathJoin3 = 32,               // %s/%s/%s
    kPathNoProcLock = 33,          // R/NOPROCLOCK
    kPathOutDir = 34,              // R/out
    kPathEventIgnore = 35,         // R/events/%s/%s/HV_IGN
    kPathRecover = 36,             // R/bin/recover
    kPathUnavailableMarker = 37,   // R/tmp/HV_IS_UNAVAIL
    kPathReadTunablesMarker = 38,  // R/tmp/READTUNABLES
    kPathCreateManyMarker = 39,    // R/tmp/CREATEMANY
    kPathInitResMarker = 40,       // R/tmp/QDBINITRES
    kPathPriocntl = 41,            // R/bin/priocntl
    kPathTmpDir = 42,              // R/tmp/
    kQdbPathCount = 43
};

extern "C" {

// Entry n (0 to 42, QdbPath) of the table of standard paths; null for any
// other n. An entry is the root directory followed by its path, except the
// names that are relative to the root (kPathDaemonMailbox "configuration",
// kPathObjectBase "HVNT", kPathSystemsTable "config/systems", ...,
// kPathJoin3 "%s/%s/%s"), which come without it. kPathRoot is the root
// itself ("" without one). The root is TEST_ROOT when set, else the registry
// value General\RootDir, with every backslash turned into "/" and no trailing
// "/". Built once per process; the strings are never freed.
const char* gps(int n);

// portlib's uname; TEST_UNAME, when set, replaces the system and node names.
// -1 when uname fails.
int qdb_uname(portlib::utsname* u);

// Reports the usage error of the program ("<arg0>: <text>\n" and the usage
// text, severity 3, number 334) and ends the process with exit code 2.
[[noreturn]] void qdbusage(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Process-wide settings.
extern const char* pQdb_version;  // "Version 2.00.00"
extern char* pQdb_rootdir;        // gps(kPathRoot), set by the start-up
extern const char* pQdb_usage;    // usage format of the program ("%s": program name), or null
extern char* pQdb_uname;          // local node name, set by the start-up
extern const char* pQdb_arg0;     // program name, set by the program
extern char pQdb_doinit;          // nonzero: the program initialises resources after a fresh load
extern int pQdb_ttydebug;
extern int pQdb_printdebug;
extern int pQdb_syncdebug;
extern int pQdb_lockdebug;
extern int pQdb_Ttymxr_debugging;

// Tunables (name in the file in the comment).
extern unsigned pQdb_event_ign_period;     // EVENTIGNPERIOD
extern unsigned pQdb_flagtimeout;          // FLAGTIMEOUT
extern short pQdb_fstspri;                 // FSTSPRI
extern char* pQdb_fsprioclass;             // FSPRIOCLASS
extern unsigned pQdb_inittimeout;          // INITTIMEOUT
extern char* pQdb_mxrprioclass;            // MXRPRIOCLASS
extern short pQdb_mxrtspri;                // MXRTSPRI
extern short pQdb_mxrrtpri;                // MXRRTPRI
extern unsigned long pQdb_mxrrttqsecs;     // MXRRTTQSECS
extern long pQdb_mxrrttqnsecs;             // MXRRTTQNSECS
extern long pQdb_logulim;                  // LOGULIM
extern char* pQdb_qdbprioclass;            // QDBPRIOCLASS
extern short pQdb_qdbtspri;                // QDBTSPRI
extern short pQdb_qdbrtpri;                // QDBRTPRI
extern unsigned long pQdb_qdbrttqsecs;     // QDBRTTQSECS
extern long pQdb_qdbrttqnsecs;             // QDBRTTQNSECS
extern char* pQdb_othprioclass;            // OTHPRIOCLASS
extern short pQdb_othtspri;                // OTHTSPRI
extern short pQdb_othrtpri;                // OTHRTPRI
extern unsigned long pQdb_othrttqsecs;     // OTHRTTQSECS
extern long pQdb_othrttqnsecs;             // OTHRTTQNSECS
extern int pQdb_remotetime;                // REMOTETIMEOUT
extern int pQdb_resrvtimeout;              // RESRVTIMEOUT
extern int pQdb_resrvaudtimeout;           // RESRVAUDTIMEOUT
extern int pQdb_resrvrectimeout;           // RESRVRECTIMEOUT
// A restore of a lost system's resources that failed (another system's
// lock, held by the lost system until it really dies) is tried again this
// many times, this many seconds apart, while the system stays down.
extern int pQdb_restoreretries;            // RESTORERETRIES
extern int pQdb_restoreretrysecs;          // RESTORERETRYSECS
extern char* pQdb_rsprioclass;             // RSPRIOCLASS
extern unsigned pQdb_ovrhead;              // SENDOVRHEAD
extern unsigned pQdb_shmmaxsiz;            // SHMMAXSIZ
extern unsigned pQdb_waitformxr;           // WAITFORMXR
extern unsigned pQdb_waitlocalmxr;         // WAITLOCALMXR

}  // extern "C"

namespace cfgstore {

// Reads the tunables file gps(kPathTunables). Without the file every tunable takes its
// no-file value; with it, every name the file omits its default. Lines are
// "NAME=value" or "NAME value", "#" starts a comment, a line beginning with a
// blank, tab, "#" or "/" is skipped; an unknown name is reported and reading
// goes on; a known name without a value is ignored. When gps(kPathReadTunablesMarker) exists
// every value is printed as debug text.
void ReadTunables();

// The root directory of the table files: pQdb_rootdir when the start-up has
// set it, else gps(kPathRoot).
const char* RootDir();

}  // namespace cfgstore
