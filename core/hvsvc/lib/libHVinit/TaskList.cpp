// The process list from /proc.
#include "ProcessList.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <unistd.h>

namespace {

constexpr unsigned long kKernelThreadFlag = 0x00200000;  // PF_KTHREAD
constexpr const char kDeletedSuffix[] = " (deleted)";

// Reads a small /proc file whole into buf (terminated). Bytes read, or -1.
long ReadSmallFile(const char* path, char* buf, std::size_t size) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    // A /proc file comes whole in one read when it fits: read again only
    // after a read that filled what was asked.
    std::size_t got = 0;
    while (got + 1 < size) {
        const std::size_t want = size - 1 - got;
        const ssize_t n = ::read(fd, buf + got, want);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
        if (static_cast<std::size_t>(n) < want) break;
    }
    ::close(fd);
    buf[got] = '\0';
    return static_cast<long>(got);
}

std::uint32_t Saturate(unsigned long long v) {
    return v > std::numeric_limits<std::uint32_t>::max() ? std::numeric_limits<std::uint32_t>::max()
                                                         : static_cast<std::uint32_t>(v);
}

void CopyName(char (&dst)[32], const char* src, std::size_t n) {
    if (n > sizeof dst - 1) n = sizeof dst - 1;
    std::memcpy(dst, src, n);
    dst[n] = '\0';
}

// "VmPeak:   1234 kB" -> bytes; 0 when the key is absent.
unsigned long long StatusBytes(const char* status, const char* key) {
    const char* p = std::strstr(status, key);
    if (p == nullptr) return 0;
    return std::strtoull(p + std::strlen(key), nullptr, 10) * 1024ULL;
}

// The base name of /proc/<pid>/exe into image; false when it cannot be read.
bool ExeImage(int pid, char (&image)[32]) {
    char path[64];
    char exe[4096];
    std::snprintf(path, sizeof path, "/proc/%d/exe", pid);
    const ssize_t n = ::readlink(path, exe, sizeof exe - 1);
    if (n <= 0) return false;
    std::size_t len = static_cast<std::size_t>(n);
    exe[len] = '\0';
    const std::size_t suffix = sizeof kDeletedSuffix - 1;
    if (len > suffix && std::strcmp(exe + len - suffix, kDeletedSuffix) == 0) exe[len -= suffix] = '\0';
    const char* base = std::strrchr(exe, '/');
    base = base != nullptr ? base + 1 : exe;
    CopyName(image, base, std::strlen(base));
    return true;
}

}  // namespace

namespace hvinit {

bool ReadTask(int pid, TaskListEntry* entry, TaskDetail detail) {
    if (pid <= 0 || entry == nullptr) return false;
    // A readable executable link already tells a live user process: kernel
    // threads have none, and a zombie has lost it.
    if (detail == TaskDetail::Name) {
        TaskListEntry e {};
        if (ExeImage(pid, e.imageName)) {
            e.pid = static_cast<std::uint32_t>(pid);
            *entry = e;
            return true;
        }
    }
    char path[64];
    char stat[1024];
    std::snprintf(path, sizeof path, "/proc/%d/stat", pid);
    if (ReadSmallFile(path, stat, sizeof stat) <= 0) return false;
    // "pid (comm) state ppid ...": comm may hold blanks and parentheses.
    const char* open = std::strchr(stat, '(');
    const char* close = std::strrchr(stat, ')');
    if (open == nullptr || close == nullptr || close < open || close[1] != ' ') return false;

    TaskListEntry e {};
    const char* fields = close + 2;
    char state = *fields;
    if (state == 'Z' || state == 'X' || state == 'x') return false;
    // Fields from 4 (ppid) on, numbered as proc(5) numbers them.
    unsigned long long f[25] = {};
    const char* p = fields + 1;
    for (int i = 4; i <= 24 && *p != '\0'; ++i) {
        char* end = nullptr;
        f[i] = std::strtoull(p, &end, 10);
        if (end == p) break;
        p = end;
    }
    if (f[9] & kKernelThreadFlag) return false;

    e.pid = static_cast<std::uint32_t>(pid);
    e.parentPid = static_cast<std::uint32_t>(f[4]);
    e.pageFaultCount = Saturate(f[10] + f[12]);
    e.threadCount = Saturate(f[20]);
    e.createTime = f[22];
    e.virtualSize = Saturate(f[23]);
    static const auto pageSize = static_cast<unsigned long long>(::sysconf(_SC_PAGESIZE));
    e.workingSetSize = Saturate(f[24] * pageSize);

    // The image: the executable's base name, else comm (another user's process).
    if (detail == TaskDetail::Name || !ExeImage(pid, e.imageName))
        CopyName(e.imageName, open + 1, static_cast<std::size_t>(close - open - 1));

    // The peaks are only in the status file, which costs as much as the rest.
    char status[4096];
    std::snprintf(path, sizeof path, "/proc/%d/status", pid);
    if (detail == TaskDetail::Full && ReadSmallFile(path, status, sizeof status) > 0) {
        e.peakVirtualSize = Saturate(StatusBytes(status, "VmPeak:"));
        e.peakWorkingSetSize = Saturate(StatusBytes(status, "VmHWM:"));
    }
    *entry = e;
    return true;
}

int ListTasks(std::vector<TaskListEntry>* entries, TaskDetail detail) {
    if (entries == nullptr) return 0;
    entries->clear();
    DIR* dir = ::opendir("/proc");
    if (dir == nullptr) return 0;
    while (const struct dirent* d = ::readdir(dir)) {
        if (!std::isdigit(static_cast<unsigned char>(d->d_name[0]))) continue;
        char* end = nullptr;
        const long pid = std::strtol(d->d_name, &end, 10);
        if (*end != '\0' || pid <= 0 || pid > std::numeric_limits<int>::max()) continue;
        TaskListEntry e;
        if (ReadTask(static_cast<int>(pid), &e, detail)) entries->push_back(e);
    }
    ::closedir(dir);
    return static_cast<int>(entries->size());
}

}  // namespace hvinit

bool read_task_entry(int pid, TaskListEntry* entry) { return hvinit::ReadTask(pid, entry, hvinit::TaskDetail::Full); }

int get_task_list(std::vector<TaskListEntry>* entries) { return hvinit::ListTasks(entries, hvinit::TaskDetail::Full); }

int enable_debug_privilege() { return 1; }

void get_window_titles(TaskListEntry* entries, int count) {
    for (int i = 0; entries != nullptr && i < count; ++i) {
        entries[i].window = 0;
        entries[i].windowTitle[0] = '\0';
    }
}
