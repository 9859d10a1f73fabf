#include "UnixSystem.h"

#include "platform/ComputerName.h"
#include "platform/Win32Error.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <string>

namespace portlib {

namespace {

void SetField(char* field, const char* text) {
    std::strncpy(field, text, kUtsFieldSize - 1);
    field[kUtsFieldSize - 1] = '\0';
}

}  // namespace

int uname(struct utsname* u) {
    if (u == nullptr) return -1;
    std::string name;
    if (platform::ComputerName::GetOrHostName(&name) != platform::HV_ERROR_SUCCESS) return -1;
    SetField(u->sysname, name.c_str());
    SetField(u->nodename, name.c_str());
    SetField(u->release, "3.5");
    SetField(u->version, "Server");
    SetField(u->machine, "Windows NT");
    return 0;
}

int sleep(int seconds) {
    if (seconds == -1) {
        for (;;) {
            struct timespec day {86400, 0};
            ::nanosleep(&day, nullptr);
        }
    }
    if (seconds <= 0) return 0;
    struct timespec left {seconds, 0};
    while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
    return 0;
}

int kill(int pid, int sig) {
    if (sig != 0) {
        errno = EINVAL;
        return -1;
    }
    // 0 and negative pids address process groups, never one process.
    if (pid <= 0) {
        errno = ESRCH;
        return -1;
    }
    if (::kill(pid, 0) == 0 || errno == EPERM) {
        errno = 0;
        return 0;
    }
    errno = ESRCH;
    return -1;
}

}  // namespace portlib
