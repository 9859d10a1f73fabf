// qdb: a minimal stand-in for the database daemon. It runs the database
// start-up as the daemon (creates the lock, the daemon-available event and
// the segment, loads the tables, signals the event, waits for the manager)
// and then stays until SIGTERM or SIGINT, keeping the database alive.
#include "QdbStartup.h"
#include "qdberr.h"
#include "qdbpaths.h"

#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

const char* const kUsage =
    "usage: qdb [-h]\n"
    "\n"
    "A minimal stand-in for the database daemon: it creates the database\n"
    "(segment \"HVNT-shm\", lock \"HVNT-sem\", event \"HVNTQDB\"), loads the\n"
    "tables from their files, tells the other processes that the database is\n"
    "available and waits for the communication manager; then it keeps the\n"
    "database until SIGTERM or SIGINT. It serves no requests.\n"
    "\n"
    "Environment:\n"
    "  HV_SYSTEM_DIR  the system directory (default /var/lib/holdervane)\n"
    "  TEST_ROOT      the root directory (else the registry's General\\RootDir);\n"
    "                 the tunables are read from etc/Holdervane below it\n"
    "  TEST_UNAME     this system's node name (default: uname)\n"
    "\n"
    "Exit status:\n"
    "  0  stopped by SIGTERM or SIGINT\n"
    "  1  bad command line\n"
    "  other  the start-up failed (the database's result code; the reason is\n"
    "         on standard error and in the event log)\n";

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        std::fprintf(stderr, "qdb: unknown argument \"%s\"\n\n%s", argv[i], kUsage);
        return 1;
    }
    // Blocked before the start-up, taken with sigwait afterwards.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGINT);
    sigprocmask(SIG_BLOCK, &stop, nullptr);

    pQdb_arg0 = argv[0];
    set_errinfo("qdb", "QDB", 0, nullptr);
    setAppId(1);
    qdbinit();
    std::printf("qdb: database available\n");
    std::fflush(stdout);

    int sig = 0;
    while (sigwait(&stop, &sig) != 0) {
    }
    qdbcleanup();
    return 0;
}
