// The installation as one process of the configuration database sees it: the
// standard paths below the root directory, the local node name, the exported
// process-wide settings and the tunables read from "<root>/etc/Holdervane".
#pragma once

#include "UnixSystem.h"

extern "C" {

// Entry n (0 to 42) of the table of standard paths; null for any other n.
// An entry is the root directory followed by its path, except the names that
// are relative to the root (3 "configuration", 5 "HVNT", 6 "config/systems",
// ..., 31 "%s/%s", 32 "%s/%s/%s"), which come without it. Entry 18 is the root
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
extern char* pQdb_rootdir;        // gps(18), set by the start-up
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

// Reads the tunables file gps(30). Without the file every tunable takes its
// no-file value; with it, every name the file omits its default. Lines are
// "NAME=value" or "NAME value", "#" starts a comment, a line beginning with a
// blank, tab, "#" or "/" is skipped; an unknown name is reported and reading
// goes on; a known name without a value is ignored. When gps(38) exists
// every value is printed as debug text.
void ReadTunables();

// The root directory of the table files: pQdb_rootdir when the start-up has
// set it, else gps(18).
const char* RootDir();

}  // namespace cfgstore
