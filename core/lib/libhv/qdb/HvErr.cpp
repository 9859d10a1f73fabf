// hv_err: the library's own reports. Formats the text, hands it to the
// formatter, sets the thread's result code and keeps the message for the
// caller as the severity says; a critical report ends the process.
#include "ErrIdentity.h"
#include "QdbErrRecord.h"
#include "SeverityTable.h"
#include "qdberr.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

// Reports in progress on this thread (a report made while reporting).
thread_local int t_reportDepth = 0;
constexpr int kMaxReportDepth = 4;

struct DepthHold {
    DepthHold() { ++t_reportDepth; }
    ~DepthHold() { --t_reportDepth; }
    DepthHold(const DepthHold&) = delete;
    DepthHold& operator=(const DepthHold&) = delete;
};

char* FormatKept(int severity, int msgnum, const char* file, int line, const char* format, ...)
    __attribute__((format(printf, 5, 6)));
char* FormatKept(int severity, int msgnum, const char* file, int line, const char* format, ...) {
    va_list args;
    va_start(args, format);
    char* message = _pxm_err(severity, msgnum, file, line, 0, 0, format, nullptr, args);
    va_end(args);
    return message;
}


}  // namespace

int hv_verr(const char* file, int line, int severity, int msgnum, int retval, const char* format, va_list args) {
    const int savedErrno = errno;
    if (t_reportDepth >= kMaxReportDepth) return -1;
    DepthHold hold;

    char text[kQdbTextMax];
    int n = std::vsnprintf(text, sizeof text, format ? format : "", args);
    if (n >= kQdbTextMax) cfgstore::NoticeToStderr("hv_err: message buffer overflow!\n");
    const pxm_sevtab_t& row = cfgstore::FindSeverity(nullptr, severity);

    errno = savedErrno;
    char* message = FormatKept(severity, msgnum, file, line, "%s", text);

    if (retval != 0) Qdb_errno = retval;
    else if (row.flags & PXM_SETERRNO) Qdb_errno = (row.flags & PXM_SYSERR) ? QDB_UNIX : QDB_INT;
    if (row.flags & PXM_KEEP) cfgstore::AppendErrorText(message);
    std::free(message);

    if (row.level == 2) {
        doabort(1);
        qdbfatalcheck();
        // A critical report never ends the process as a success.
        qdbexit(Qdb_errno != 0 ? Qdb_errno : QDB_INT);
    }
    errno = savedErrno;
    return row.level == 6 || row.level == 7 ? 0 : -1;
}

int hv_err(int severity, int msgnum, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int rc = hv_verr(nullptr, 0, severity, msgnum, 0, format, args);
    va_end(args);
    return rc;
}

int hv_err(int severity, int msgnum, int retval, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int rc = hv_verr(nullptr, 0, severity, msgnum, retval, format, args);
    va_end(args);
    return rc;
}

int hv_err(const char* file, int line, int severity, int msgnum, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int rc = hv_verr(file, line, severity, msgnum, 0, format, args);
    va_end(args);
    return rc;
}

int hv_err(const char* file, int line, int severity, int msgnum, int retval, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int rc = hv_verr(file, line, severity, msgnum, retval, format, args);
    va_end(args);
    return rc;
}
