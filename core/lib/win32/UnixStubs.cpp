#include "UnixStubs.h"

namespace portlib {

int fchmod(int, unsigned) { return 0; }
SigHandler signal(int, SigHandler h) { return h; }
SigHandler sigset(int, SigHandler h) { return h; }
int sigprocmask(int, const void*, void*) { return 0; }
int sigrelse(int) { return 0; }
int sigsend(int, long, int) { return 0; }
int getpgid(int) { return 0; }
int setsid() { return 0; }
void* sbrk(long) { return nullptr; }
int getuid() { return 0; }
int fork() { return 0; }
int waitpid(int, int*, int) { return 0; }
int wait(int*) { return 0; }
int fcntl(int, int, ...) { return 0; }
int fchown(int, int, int) { return 0; }
struct group* getgrgid(int) { return nullptr; }
struct group* getgrnam(const char*) { return nullptr; }
struct passwd* getpwuid(int) { return nullptr; }
struct passwd* getpwnam(const char*) { return nullptr; }

}  // namespace portlib
