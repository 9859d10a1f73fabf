// uname, sleep and a kill that tests whether a process exists, as portlib's
// own functions in namespace portlib (libc's stay libc's).
#pragma once

namespace portlib {

inline constexpr int kUtsFieldSize = 257;

struct utsname {
    char sysname[kUtsFieldSize];
    char nodename[kUtsFieldSize];
    char release[kUtsFieldSize];
    char version[kUtsFieldSize];
    char machine[kUtsFieldSize];
};

// sysname and nodename: the computer name (platform/ComputerName: the
// registry's ComputerName, else the host name's first label, upper-cased,
// at most 15 characters); release "3.5", version "Server", machine
// "Windows NT". 0, or -1 with `u` untouched when there is no valid name.
int uname(struct utsname* u);

// Suspends the calling thread for `seconds` (signals do not cut it short);
// -1 waits for ever. Returns 0.
int sleep(int seconds);

// Only the existence test: sig 0 asks the kernel; 0 when the process exists
// (also when it belongs to another user), else -1 with errno 3. Any other
// sig, -1 with errno 22. A pid of 0 or below names no single process: -1, errno 3.
int kill(int pid, int sig);

}  // namespace portlib
