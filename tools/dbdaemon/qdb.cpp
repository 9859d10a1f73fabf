// qdb: a minimal stand-in for the database daemon. It runs the database
// start-up as the daemon (creates the lock, the daemon-available event and
// the segment, loads the tables, signals the event, waits for the manager),
// then serves its "configuration" mailbox until SIGTERM, SIGINT or a
// shut-down request, keeping the database alive.
#include "CachedDb.h"
#include "ActionWorkers.h"
#include "ConfigRequestServer.h"
#include "HelpOption.h"
#include "ProxyPostOffice.h"
#include "QdbLock.h"
#include "QdbStartup.h"
#include "qdberr.h"
#include "qdbpaths.h"
#include "systems.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

// How long a cache request waits for this database's lock before it is
// answered "busy".
constexpr unsigned kCacheLockWaitMs = 500;
// How long a stop waits for a change in progress to end.
constexpr unsigned kStopLockWaitMs = 20000;

const char* const kUsage =
    "usage: qdb [-h]\n"
    "\n"
    "A minimal stand-in for the database daemon: it creates the database\n"
    "(segment \"HVNT-shm\", lock \"HVNT-sem\", event \"HVNTQDB\"), loads the\n"
    "tables from their files, tells the other processes that the database is\n"
    "available and waits for the communication manager; then it serves the\n"
    "mailbox \"configuration\" until SIGTERM, SIGINT or a shut-down request:\n"
    "remote execution, writing the tables, file copies, process tests and\n"
    "shut-down ('@' 'a' 'b' 'f' 'h' 'i'); the path table's create, write and\n"
    "remove ('B' 'a' 'b' 'c'); create, remove and write requests of the\n"
    "applications, resource types and instances ('C' 'D' 'E', with the\n"
    "instances' field changes and COMMON state copies); cache updates ('j') of\n"
    "the systems, paths, flags, applications, types and instances are applied\n"
    "to their copies and not answered; any other request is answered with error\n"
    "5. On its own thread it serves the mailbox\n"
    "\"cacheServer\": the nine tables of this database for another system's\n"
    "copy, or error 11 when the database stays locked for 0.5 s; each cache\n"
    "request is logged on standard output with its requester and outcome.\n"
    "\n"
    "Environment:\n"
    "  HV_SYSTEM_DIR  the system directory (default /var/lib/holdervane)\n"
    "  TEST_ROOT      the root directory (else the registry's General\\RootDir);\n"
    "                 the tunables are read from etc/Holdervane below it\n"
    "  TEST_UNAME     this system's node name (default: uname)\n"
    "\n"
    "Exit status:\n"
    "  0  stopped by SIGTERM, SIGINT or a shut-down request\n"
    "  1  bad command line\n"
    "  3  the manager's connection was lost\n"
    "  other  the start-up failed (the database's result code; the reason is\n"
    "         on standard error and in the event log)\n";

}  // namespace

int main(int argc, char** argv) {
    if (int rc = portlib::NoArgumentsOrUsage(argc, argv, "qdb", kUsage); rc >= 0) return rc;
    // Blocked before the start-up, taken with sigwait afterwards.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGINT);
    sigprocmask(SIG_BLOCK, &stop, nullptr);

    pQdb_arg0 = argv[0];
    set_errinfo("qdb", "QDB", 0, nullptr);
    setAppId(1);
    // A fresh database gives every resource instance its start-up state:
    // after the mailboxes are served, since the other systems' passes read
    // this database meanwhile.
    pQdb_doinit = 1;
    qdbDeferStartupPass();
    qdbinit();
    std::printf("qdb: database available\n");
    std::fflush(stdout);

    // The signals end the process from their own thread: the main thread
    // may be waiting for a request.
    std::thread([stop] {
        int sig = 0;
        while (sigwait(&stop, &sig) != 0) {
        }
        // No other thread starts a change any more, one inside a change
        // finishes it: the lock is ours (bounded) before anything ends.
        if (cfgstore::CloseLockForStop(kStopLockWaitMs) != 0)
            std::fprintf(stderr, "qdb: the database lock stayed busy for %u ms; stopping anyway\n", kStopLockWaitMs);
        qdbcleanup();
        std::_Exit(0);
    }).detach();

    ProxyPostOffice proxy;
    const char* mailbox = gps(kPathDaemonMailbox);
    if (proxy.CreateMailBox(mailbox) != Message::OKAY)
        std::fprintf(stderr, "qdb: mailbox \"%s\" exists already; serving it\n", mailbox);
    // Made before "serving" is said: a request sent to a mailbox that is
    // not there yet is lost, and its sender would wait for the answer.
    proxy.CreateMailBox(cfgstore::kCacheServerMailbox);
    sys_mbxInit(proxy);

    // The cache requests of other systems on their own thread and
    // connection: a load of this database never waits behind a request of
    // "configuration", and a busy lock is answered with code 11.
    std::thread([] {
        ProxyPostOffice cacheProxy;
        for (;;) {
            MessagePtr request = cacheProxy.RcvFromMbox(cfgstore::kCacheServerMailbox, 1);
            if (!request.Ok() || request->GetLastErr() != Message::OKAY) return;
            const int rc = cfgstore::ServeCacheRequest(request, kCacheLockWaitMs);
            // The requester's name as it came, cut and made printable.
            std::string from(request->GetReplyToSys().StrVal());
            if (from.size() > 32) from.resize(32);
            for (char& c : from)
                if (c < 33 || c > 126) c = '.';
            std::printf("qdb: cache request from %s %s\n", from.c_str(),
                        rc == 0 ? "served" : rc == QDB_RETRY ? "answered busy" : "refused");
            std::fflush(stdout);
        }
    }).detach();
    std::printf("qdb: serving \"%s\"\n", mailbox);
    std::fflush(stdout);

    UseActionWorkers();
    std::thread startupPass([] {
        RunActionsInlineOnThisThread();
        if (qdbStartupPass()) {
            std::printf("qdb: start-up states given\n");
            std::fflush(stdout);
        }
    });
    ConfigRequestServer server;
    for (;;) {
        MessagePtr request = proxy.RcvFromMbox(mailbox, 1);
        if (!request.Ok() || request->GetLastErr() != Message::OKAY) {
            std::fprintf(stderr, "qdb: receive on \"%s\" failed (%d): the manager is gone\n", mailbox,
                         request.Ok() ? static_cast<int>(request->GetLastErr()) : -1);
            startupPass.join();
            qdbcleanup();
            return 3;
        }
        if (server.Serve(request) == ConfigRequestServer::Stop || cfgstore::StopRequested()) break;
    }
    startupPass.join();
    proxy.RemoveMailBox(mailbox);
    qdbcleanup();
    return 0;
}
