// mxrcfgstore: a minimal stand-in for the program that hosts the
// communication manager on a system with a database. It starts as the
// manager's process of the database (waiting for the database daemon), runs
// the manager's world and, once it listens, tells the database that the
// manager is available; then it runs until SIGTERM or SIGINT.
#include "AutoQdbLock.h"
#include "ManagerHost.h"
#include "ToolUsage.h"
#include "QdbStartup.h"
#include "ShmMgr.h"
#include "qdberr.h"
#include "qdbpaths.h"

namespace {

const char* const kUsage =
    "usage: mxrcfgstore [-h]\n"
    "\n"
    "A minimal stand-in for the manager's host program with a database: it\n"
    "waits for the database daemon, listens on the manager's control pipe with\n"
    "the post office, sets the database's manager-available word and runs until\n"
    "SIGTERM or SIGINT. There is no path administration: only this host can be\n"
    "reached.\n"
    "\n"
    "Environment: HV_SYSTEM_DIR, MXRHOSTNAME (this host's name), TEST_ROOT,\n"
    "TEST_UNAME (the database's node name; give both names the same value).\n"
    "\n"
    "Exit status: 0 stopped by a signal; 1 bad command line; 2 the pipe cannot\n"
    "be made; 3 the signals cannot be watched; other: the database start-up\n"
    "failed with that result code.\n";

}  // namespace

int main(int argc, char** argv) {
    if (int rc = NoArgumentsOrUsage(argc, argv, "mxrcfgstore", kUsage); rc >= 0) return rc;
    pQdb_arg0 = argv[0];
    const int rc = RunManagerHost(
        "mxrcfgstore",
        [] {
            set_errinfo("mxrcfgstore", "MXR", 0, nullptr);
            setAppId(2);
            qdbpinit();  // waits for the database daemon
        },
        [] {
            AutoQdbLock lock(__FILE__, __LINE__);
            if (lock.lock(-1) == 0 && pQdb_shgp != nullptr) pQdb_shgp->mgrAvailable = 1;
        });
    qdbcleanup();
    return rc;
}
