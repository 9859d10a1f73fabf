#include "platform/ShutdownOrder.h"

#include "platform/AtomicFileWrite.h"
#include "platform/SystemDir.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace portlib::platform {

namespace {

std::mutex g_mutex;
unsigned g_level = ShutdownOrder::kDefaultLevel;
unsigned g_flags = 0;

// Field 22 of /proc/<pid>/stat: the start time in clock ticks since boot;
// empty when the process does not exist.
std::string StartTime(pid_t pid) {
    std::string stat;
    if (ReadWholeFile("/proc/" + std::to_string(pid) + "/stat", &stat, 4096) != 0) return {};
    std::size_t close = stat.rfind(')');
    if (close == std::string::npos) return {};
    // After ") " come field 3 (state) onwards; the start time is field 22.
    std::size_t pos = close + 2;
    for (int field = 3; field < 22; ++field) {
        pos = stat.find(' ', pos);
        if (pos == std::string::npos) return {};
        ++pos;
    }
    std::size_t end = stat.find(' ', pos);
    return stat.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
}

int MakeDirectory(const std::string& dir) {
    int rc = EnsureSystemPath(SysArea::Root);
    if (rc != 0) return rc;
    std::string run = SystemDir() + "/run";
    for (const std::string& d : {run, dir}) {
        if (::mkdir(d.c_str(), 0770) == 0) {
            ::chmod(d.c_str(), 0770);
        } else if (errno != EEXIST) {
            return errno;
        }
    }
    return 0;
}

}  // namespace

std::string ShutdownOrder::Directory() { return SystemDir() + "/run/shutdown"; }

bool ShutdownOrder::GetParameters(unsigned* level, unsigned* flags) {
    std::lock_guard<std::mutex> guard(g_mutex);
    if (level) *level = g_level;
    if (flags) *flags = g_flags;
    return true;
}

bool ShutdownOrder::SetParameters(unsigned level, unsigned flags) {
    if (level > kMaxLevel) return false;
    std::lock_guard<std::mutex> guard(g_mutex);
    std::string dir = Directory();
    if (MakeDirectory(dir) != 0) return false;
    pid_t pid = ::getpid();
    std::string record = std::to_string(level) + " " + std::to_string(flags) + " " + StartTime(pid) + "\n";
    if (WriteFileAtomically(dir + "/" + std::to_string(pid), record, 0660) != 0) return false;
    g_level = level;
    g_flags = flags;
    return true;
}

int ShutdownOrder::Read(std::vector<Entry>* order) {
    order->clear();
    std::string dir = Directory();
    ::DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) return errno == ENOENT ? 0 : errno;
    std::vector<std::string> names;
    while (struct ::dirent* e = ::readdir(d)) names.emplace_back(e->d_name);
    ::closedir(d);
    for (const auto& name : names) {
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos || name.size() > 9) continue;
        pid_t pid = static_cast<pid_t>(std::strtol(name.c_str(), nullptr, 10));
        std::string path = dir + "/" + name;
        std::string text;
        if (ReadWholeFile(path, &text, 256) != 0) continue;
        unsigned level = 0, flags = 0;
        char start[32] = {};
        if (std::sscanf(text.c_str(), "%u %u %31s", &level, &flags, start) < 2) continue;
        std::string now = StartTime(pid);
        if (now.empty() || (start[0] != '\0' && now != start)) {
            ::unlink(path.c_str());  // the process has gone
            continue;
        }
        order->push_back(Entry{pid, level, flags});
    }
    std::sort(order->begin(), order->end(), [](const Entry& a, const Entry& b) {
        return a.level != b.level ? a.level > b.level : a.pid < b.pid;
    });
    return 0;
}

}  // namespace portlib::platform
