// sendevent: a minimal stand-in for the event sender. It writes one line
// with the time and its arguments to standard output and returns at once;
// it never calls the manager.
#include <cstdio>
#include <cstring>
#include <ctime>

int main(int argc, char** argv) {
    if (argc > 1 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)) {
        std::fputs("usage: sendevent [argument...]\n"
                   "\n"
                   "A minimal stand-in for the event sender: it writes one line, the time and\n"
                   "its arguments, to standard output and exits 0. It sends nothing.\n",
                   stdout);
        return 0;
    }
    char when[64];
    const std::time_t now = std::time(nullptr);
    struct tm local {};
    ::localtime_r(&now, &local);
    std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &local);
    std::printf("%s sendevent", when);
    for (int i = 1; i < argc; ++i) std::printf(" %s", argv[i]);
    std::printf("\n");
    return 0;
}
