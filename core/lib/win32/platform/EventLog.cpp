#include "platform/EventLog.h"

#include "platform/SystemDir.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <syslog.h>
#include <unistd.h>

namespace portlib::platform {

namespace {

// openlog keeps the ident pointer and is process-wide: one report at a time.
std::mutex g_syslogMutex;

int SyslogPriority(EventType type) {
    switch (type) {
    case EventType::Error: return LOG_ERR;
    case EventType::Warning: return LOG_WARNING;
    case EventType::Information: return LOG_INFO;
    }
    return LOG_ERR;
}

void AppendFlat(std::string* out, std::string_view text) {
    for (char c : text) out->push_back(c == '\t' || c == '\n' || c == '\r' ? ' ' : c);
}

void ToSyslog(const std::string& source, EventType type, std::uint16_t category, std::uint32_t id,
              const std::string& text) {
    std::lock_guard<std::mutex> hold(g_syslogMutex);
    ::openlog(source.c_str(), LOG_PID | LOG_NDELAY, LOG_DAEMON);
    ::syslog(SyslogPriority(type), "[%u 0x%08X] %s", static_cast<unsigned>(category), static_cast<unsigned>(id),
             text.c_str());
    ::closelog();
}

}  // namespace

const char* EventTypeName(EventType type) {
    switch (type) {
    case EventType::Error: return "error";
    case EventType::Warning: return "warning";
    case EventType::Information: return "information";
    }
    return "error";
}

int ReportEventLog(std::string_view source, EventType type, std::uint16_t category, std::uint32_t id,
                   std::string_view text) {
    std::string src;
    AppendFlat(&src, source);
    std::string flat;
    AppendFlat(&flat, text);
    ToSyslog(src, type, category, id, flat);

    std::time_t now = std::time(nullptr);
    std::tm tm{};
    ::gmtime_r(&now, &tm);
    char head[96];
    std::strftime(head, sizeof head, "%Y-%m-%d %H:%M:%S", &tm);
    std::string line = head;
    line += '\t';
    line += src;
    line += '\t';
    line += EventTypeName(type);
    char nums[48];
    std::snprintf(nums, sizeof nums, "\t%u\t0x%08X\t", static_cast<unsigned>(category), static_cast<unsigned>(id));
    line += nums;
    line += flat;
    line += '\n';

    std::string dir;
    int rc = EnsureSystemPath(SysArea::Log, &dir);
    if (rc != 0) return rc;
    std::string path = dir + "/eventlog";
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0660);
    if (fd < 0) return errno;
    rc = 0;
    ssize_t n;
    do {
        n = ::write(fd, line.data(), line.size());
    } while (n < 0 && errno == EINTR);
    if (n < 0) rc = errno;
    else if (static_cast<std::size_t>(n) != line.size()) rc = EIO;
    ::close(fd);
    return rc;
}

}  // namespace portlib::platform
