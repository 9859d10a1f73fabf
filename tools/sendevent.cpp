// sendevent: a minimal stand-in for the event sender. It writes one line
// with the time and its arguments to standard output (to standard error
// when standard output is closed, as the database runs its event commands)
// and returns at once; it never calls the manager.
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>

int main(int argc, char** argv) {
    if (argc > 1 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)) {
        std::fputs("usage: sendevent [argument...]\n"
                   "\n"
                   "A minimal stand-in for the event sender: it writes one line, the time and\n"
                   "its arguments, to standard output (standard error when standard output\n"
                   "is closed) and exits 0. It sends nothing.\n",
                   stdout);
        return 0;
    }
    char when[64];
    const std::time_t now = std::time(nullptr);
    struct tm local {};
    ::localtime_r(&now, &local);
    std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &local);
    std::FILE* out = ::fcntl(1, F_GETFD) == -1 ? stderr : stdout;
    std::fprintf(out, "%s sendevent", when);
    for (int i = 1; i < argc; ++i) std::fprintf(out, " %s", argv[i]);
    std::fprintf(out, "\n");
    return 0;
}
