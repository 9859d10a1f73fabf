// Error and message reporting of the configuration database library
// (cfgstore), also used by the service and the tools.
//
// Every thread has its own error record {Qdb_errno, error text}: a failed
// database operation leaves its result code and message there; the caller
// prints it (qdberrcheck), ends the process on it (qdbfatalcheck), or clears
// it (qdberrclr). Reports are numbered messages with a severity; one table
// maps the severity to a level word and to where the message goes (standard
// output, standard error, the event log, or only the thread's error text).
#pragma once

#include <cstdarg>
#include <csignal>

// Result codes kept in Qdb_errno.
enum qdbretval_t {
    QDB_OK = 0,
    QDB_UNIX = 1,      // a system call failed (its error number is in the message)
    QDB_SYNTAX = 2,
    QDB_INT = 3,       // internal error
    QDB_EXIST = 4,     // already exists or in use
    QDB_ARGS = 5,      // bad or missing argument
    QDB_RANGE = 6,     // index or list range
    QDB_NOEXIST = 7,   // not found
    QDB_DEP = 8,       // undeleted instance
    QDB_MES = 9,       // mailbox or communication failure
    QDB_DEADLOCK = 10, // used by the flags table
    QDB_RETRY = 11,    // makes a database lookup try again
};

// Message flags (the severity table's and pxm_err's "flags to set / clear").
enum : int {
    PXM_DEFAULT = 0x0001,   // add the program's default flags (set_errinfo; initially PXM_STDERR)
    PXM_STDOUT = 0x0002,
    PXM_EVENTLOG = 0x0004,
    PXM_EVENTLOG2 = 0x0008, // implies PXM_EVENTLOG
    PXM_LOG = 0x0010,       // implies PXM_PREFIXLOG
    PXM_ALL = 0x0020,       // implies PXM_LOG and PXM_EVENTLOG
    PXM_PREFIXLOG = 0x0040, // event log unless PXM_NOPREFIX; cancels PXM_LOG
    PXM_RETURN = 0x0080,    // build the message and return it, write nothing
    PXM_NOPREFIX = 0x0100,  // the message is the formatted text alone
    PXM_SYSERR = 0x0200,    // add the last system error number
    PXM_STDERR = 0x0400,
    PXM_SETERRNO = 0x4000,  // hv_err: set Qdb_errno when the report gives no result code
    PXM_KEEP = 0x8000,      // hv_err: append the message to the thread's error text
};

// Message buffers: the formatted text of hv_err, and the whole message.
inline constexpr int kQdbTextMax = 8192;
inline constexpr int kQdbMessageMax = 8492;

// One row of a severity table; a table ends with a row of severity 0.
struct pxm_sevtab_t {
    int severity;
    int level;
    int flags;
};

// The library's severity table.
extern "C" const pxm_sevtab_t pxm_sevtab[];

extern "C" {

// The calling thread's Qdb_errno and error-text pointer (null when empty).
int* getpQdb_errno(void);
char** getpQdb_errbuf(void);

// Frees the error text and sets Qdb_errno to 0.
void qdberrclr(void);
// Prints the error text (severity 27) when there is one; -1 when Qdb_errno
// was nonzero, else 0. Clears the record either way.
int qdberrcheck(void);
// Prints the error text; ends the process with Qdb_errno when it is
// nonzero, else clears the record.
void qdbfatalcheck(void);
// Qdb_errno = code, qdbcleanup, end of the process with that exit code.
[[noreturn]] void qdbexit(int code);
// Runs the clean-up steps that the library's parts registered (releasing
// the database lock and the daemon's mailbox).
void qdbcleanup(void);

// Program identity: label (at most 63 characters; its base name is printed),
// log name (its base name selects the facility: QDB 3, MXR 5, HVINIT 7, any
// other 1; any case), default flags, extra label printed before each text.
// Null or 0 leaves that part as it was; the standard streams are written
// only after the first call.
void set_errinfo(const char* label, const char* logname, int defflags, const char* extralabel);

// Formats and reports one message through the library's severity table,
// then frees it. Never ends the process. 0 for the levels 6 and 7, else -1.
int pxm_err(int severity, int msgnum, const char* file, int line, int setflags, int clrflags, const char* format,
            ...) __attribute__((format(printf, 7, 8)));

// Builds the message (table null: the library's table), writes and reports
// it as the flags say and returns it (malloc'd; the caller frees it). A text
// that does not fit kQdbMessageMax bytes is cut and ends with a visible
// marker. Ends the process only when no memory can be had.
char* _pxm_err(int severity, int msgnum, const char* file, int line, int setflags, int clrflags, const char* format,
               const pxm_sevtab_t* table, va_list args);

// The debug trace: written only when the category is null or a flag of the
// local database matches it ("LD*" by prefix, "*delete" by suffix). A trace
// made while the same thread is tracing is dropped.
void hv_debug(const char* file, int line, const char* category, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

// 1 and a kept report (severity 23, result code 5) when the text holds a
// white-space character (tab included) or a control character; the first
// offending character decides. 0 for a clean or null text. testctrl looks
// for control characters only.
int testspace(const char* file, int line, const char* text);
int testctrl(const char* file, int line, const char* text);

// Does nothing (kept for programs that call it).
void syslog_err(void);

// Blocks the asynchronous signals of the calling thread (old mask saved in
// *old) and restores them; table files are written between the two.
int qdbholdsig(sigset_t* old);
int qdbrlssig(sigset_t* old);

// Registers the library's signal handlers through portlib (whose signal
// calls do nothing on this platform, so the handlers never run).
void qdbinitsig(void);

// Abort dump: prints the kept error, makes "<root>/corefiles/<pid>", changes
// into it and aborts. force nonzero: only when /usr/alarm/DOABORT exists;
// force 0: not when /usr/alarm/NOCOREFILES exists. Returns when it does not
// run or a step fails (the failure is kept, severity 24).
void doabort(int force);

}  // extern "C"

// The calling thread's error record, as lvalues.
#define Qdb_errno (*getpQdb_errno())
#define Qdb_errbuf (*getpQdb_errbuf())

// Reports inside the library: severity, message number, optional result
// code (0: none), optional source file and line. 0 for the levels 6 and 7,
// else -1; does not return for level 2 (critical).
int hv_err(int severity, int msgnum, const char* format, ...) __attribute__((format(printf, 3, 4)));
int hv_err(int severity, int msgnum, int retval, const char* format, ...) __attribute__((format(printf, 4, 5)));
int hv_err(const char* file, int line, int severity, int msgnum, const char* format, ...)
    __attribute__((format(printf, 5, 6)));
int hv_err(const char* file, int line, int severity, int msgnum, int retval, const char* format, ...)
    __attribute__((format(printf, 6, 7)));
int hv_verr(const char* file, int line, int severity, int msgnum, int retval, const char* format, va_list args);
