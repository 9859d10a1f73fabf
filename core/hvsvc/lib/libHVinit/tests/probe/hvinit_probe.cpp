// Test helper for the process-list tests, copied under test names:
//   hvinit_probe wait            stays until killed (or stdin closes)
//   hvinit_probe exit            exits at once (a zombie until reaped)
//   hvinit_probe stay            stays until killed, whatever its stdin
//   hvinit_probe find <command>  prints find_pid_by_name(command)
#include "ProcessList.h"

#include <cstdio>
#include <cstring>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "wait") == 0) {
        char c;
        while (::read(0, &c, 1) > 0) {
        }
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "exit") == 0) return 0;
    if (argc >= 2 && std::strcmp(argv[1], "stay") == 0)
        for (;;) ::pause();
    if (argc >= 3 && std::strcmp(argv[1], "find") == 0) {
        std::printf("%d\n", find_pid_by_name(argv[2]));
        return 0;
    }
    std::fprintf(stderr, "usage: %s wait | exit | stay | find <command>\n", argv[0]);
    return 2;
}
