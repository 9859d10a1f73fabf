// hvnohup: a minimal stand-in for the detaching starter, installed as
// <root>/bin/nohup.exe. It starts its arguments as a program in a new
// session, with hang-up ignored, and returns at once without waiting.
#include <csignal>
#include <cstdio>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

const char* const kUsage =
    "usage: nohup.exe program [argument...]\n"
    "\n"
    "A minimal stand-in for the detaching starter: it starts program with its\n"
    "arguments (searched in PATH when it has no \"/\") in a new session with\n"
    "SIGHUP ignored, and exits at once.\n"
    "\n"
    "Exit status: 0 started; 1 bad command line; 126 the start failed.\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0) {
        std::fputs(kUsage, argc < 2 ? stderr : stdout);
        return argc < 2 ? 1 : 0;
    }
    int ready[2];
    if (::pipe2(ready, O_CLOEXEC) != 0) return 126;
    const pid_t pid = ::fork();
    if (pid < 0) return 126;
    if (pid == 0) {
        ::close(ready[0]);
        ::setsid();
        ::signal(SIGHUP, SIG_IGN);
        ::execvp(argv[1], argv + 1);
        const int err = errno;
        ssize_t n = ::write(ready[1], &err, sizeof err);
        (void)n;
        ::_exit(127);
    }
    ::close(ready[1]);
    int err = 0;
    const ssize_t n = ::read(ready[0], &err, sizeof err);
    if (n == static_cast<ssize_t>(sizeof err)) {
        std::fprintf(stderr, "nohup.exe: cannot start %s: %s\n", argv[1], std::strerror(err));
        return 126;
    }
    return 0;
}
