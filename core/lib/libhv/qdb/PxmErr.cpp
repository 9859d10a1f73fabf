// The one formatter behind every report: builds "Process: <label>(<pid>) ...",
// writes it to the recorded standard streams and reports it to the event log
// as the severity's flags say.
#include "ErrIdentity.h"
#include "FormatterFailure.h"
#include "SeverityTable.h"
#include "qdberr.h"

#include "UnixPath.h"
#include "platform/EventLog.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

using cfgstore::ErrIdentity;

constexpr char kTruncMarker[] = " ...[message truncated]";

// Appends to the message buffer without passing its end; false when cut.
struct MessageBuffer {
    char* data;
    std::size_t cap;  // bytes, the terminator included
    std::size_t len = 0;
    bool cut = false;

    void Vappend(const char* format, va_list args) {
        if (cut) return;
        int n = std::vsnprintf(data + len, cap - len, format, args);
        if (n < 0) n = 0;
        if (static_cast<std::size_t>(n) >= cap - len) {
            len = cap - 1;
            cut = true;
        } else {
            len += static_cast<std::size_t>(n);
        }
    }
    void Append(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        va_list args;
        va_start(args, format);
        Vappend(format, args);
        va_end(args);
    }
    // A message that did not fit ends visibly cut.
    void MarkCut() {
        std::size_t m = sizeof kTruncMarker - 1;
        std::memcpy(data + cap - 1 - m, kTruncMarker, m);
        data[cap - 1] = '\0';
        len = cap - 1;
    }
};

// Flushes the stdio stream, then writes the whole message with write(2)
// until complete or a write fails.
void WriteStream(std::FILE* stream, int fd, const char* text, std::size_t len) {
    std::fflush(stream);
    while (len > 0) {
        ssize_t n = ::write(fd, text, len);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        text += n;
        len -= static_cast<std::size_t>(n);
    }
}

portlib::platform::EventType EventTypeOf(int level) {
    using portlib::platform::EventType;
    if (level == 4) return EventType::Warning;
    if (level == 6 || level == 7) return EventType::Information;
    return EventType::Error;
}

void ToEventLog(const ErrIdentity& id, int level, const char* message, std::size_t len) {
    while (len > 0 && message[len - 1] == '\n') --len;
    int category = id.facility + (level == 7 ? 1 : 0);
    portlib::platform::ReportEventLog("Holdervane", EventTypeOf(level), static_cast<std::uint16_t>(category),
                                      cfgstore::EventIdFor(level, id.facility), std::string_view(message, len));
}

}  // namespace

extern "C" char* _pxm_err(int severity, int msgnum, const char* file, int line, int setflags, int clrflags,
                          const char* format, const pxm_sevtab_t* table, va_list args) {
    const int sysErr = errno;
    // Room for the message, its line end and the terminator.
    char* data = static_cast<char*>(std::malloc(kQdbMessageMax + 1));
    if (data == nullptr) cfgstore::FormatterFailure("Failed to allocate memory");
    MessageBuffer msg{data, kQdbMessageMax};
    data[0] = '\0';

    const ErrIdentity id = cfgstore::CurrentErrIdentity();
    const pxm_sevtab_t& row = cfgstore::FindSeverity(table, severity);
    int flags = row.flags;
    if (flags & PXM_DEFAULT) flags |= id.defflags;
    if (flags & PXM_ALL) flags |= PXM_LOG | PXM_EVENTLOG;
    flags |= setflags;
    flags &= ~clrflags;
    if (flags & PXM_PREFIXLOG) flags &= ~PXM_LOG;

    const bool prefixed = (flags & PXM_NOPREFIX) == 0;
    if (prefixed) {
        msg.Append("Process: %s(%d) ", id.label, static_cast<int>(::getpid()));
        if (file) {
            std::string copy(file);
            msg.Append("\n[File:%s Line:%d]", portlib::basename(copy.data()), line);
        }
        if (flags & PXM_SYSERR) msg.Append(" Win32 Error: %d", sysErr);
        msg.Append("\n");
        if (row.level == 7) msg.Append("%s ", cfgstore::LevelWord(row.level));
        else msg.Append("%s (No. %d) ", cfgstore::LevelWord(row.level), msgnum);
        if (id.extra[0]) msg.Append("%s ", id.extra);
    }
    if (format) msg.Vappend(format, args);
    if (msg.cut) msg.MarkCut();
    if (flags & PXM_RETURN) return data;

    data[msg.len] = '\n';
    data[msg.len + 1] = '\0';
    const std::size_t total = msg.len + 1;
    if (id.streams && (flags & PXM_STDOUT)) WriteStream(stdout, STDOUT_FILENO, data, total);
    if (id.streams && (flags & PXM_STDERR)) WriteStream(stderr, STDERR_FILENO, data, total);

    if (flags & PXM_EVENTLOG2) flags |= PXM_EVENTLOG;
    if (flags & (PXM_LOG | PXM_ALL)) flags |= PXM_PREFIXLOG;
    if ((flags & PXM_EVENTLOG) || ((flags & PXM_PREFIXLOG) && prefixed)) ToEventLog(id, row.level, data, total);
    return data;
}

extern "C" int pxm_err(int severity, int msgnum, const char* file, int line, int setflags, int clrflags,
                       const char* format, ...) {
    va_list args;
    va_start(args, format);
    char* message = _pxm_err(severity, msgnum, file, line, setflags, clrflags, format, nullptr, args);
    va_end(args);
    std::free(message);
    int level = cfgstore::FindSeverity(nullptr, severity).level;
    return level == 6 || level == 7 ? 0 : -1;
}
