// Unix calls that exist on this platform only so that code written for Unix
// compiles and links. Each does nothing and reports success; other code relies
// on that (signal handlers registered through them never run; every process is
// in group 0; there are no password or group records). They live in namespace
// portlib only: the process's real libc functions are never replaced.
#pragma once

namespace portlib {

using SigHandler = void (*)(int);

struct passwd {
    char* pw_name;
    char* pw_passwd;
    int pw_uid;
    int pw_gid;
    char* pw_gecos;
    char* pw_dir;
    char* pw_shell;
};

struct group {
    char* gr_name;
    char* gr_passwd;
    int gr_gid;
    char** gr_mem;
};

int fchmod(int fd, unsigned mode);            // 0
SigHandler signal(int sig, SigHandler h);     // h
SigHandler sigset(int sig, SigHandler h);     // h
int sigprocmask(int how, const void* set, void* old);  // 0
int sigrelse(int sig);                        // 0
int sigsend(int idtype, long id, int sig);    // 0
int getpgid(int pid);                         // 0
int setsid();                                 // 0
void* sbrk(long increment);                   // null
int getuid();                                 // 0
int fork();                                   // 0
int waitpid(int pid, int* status, int options);  // 0
int wait(int* status);                        // 0
int fcntl(int fd, int cmd, ...);              // 0
int fchown(int fd, int owner, int group);     // 0
struct group* getgrgid(int gid);              // null
struct group* getgrnam(const char* name);     // null
struct passwd* getpwuid(int uid);             // null
struct passwd* getpwnam(const char* name);    // null

}  // namespace portlib
