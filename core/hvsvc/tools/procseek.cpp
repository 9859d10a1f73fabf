// procseek: the pid of a running process named by its program.
// It prints the pid, or -1 when none runs, and exits 0 when it found one and
// 1 otherwise: an exit code holds 8 bits, a pid does not.
#include "HelpOption.h"
#include "ProcessList.h"

#include <cstdio>

namespace {

constexpr const char* kUsage =
    "Usage: %s procname\n"
    "Prints the pid of the running process whose program is procname (-1 when none runs);\n"
    "exits 0 when one was found, 1 otherwise.\n";

}  // namespace

int main(int argc, char** argv) {
    if (portlib::AsksForHelp(argc, argv)) return portlib::PrintHelp(kUsage, "procseek");
    if (argc != 2) {
        std::fprintf(stderr, kUsage, argc > 0 ? argv[0] : "procseek");
        std::printf("-1\n");
        return 1;
    }
    const int pid = find_pid_by_name(argv[1]);
    std::printf("%d\n", pid);
    return pid > 0 ? 0 : 1;
}
