// mxrcfgstore: a minimal stand-in for the program that hosts the
// communication manager on a system with a database. It starts as the
// manager's process of the database (waiting for the database daemon), runs
// the manager's world and, once it listens, builds the database link: on the
// link's database thread it tells the database that the manager is
// available, the stored paths are created and the manager-available event
// asked for; then it runs until SIGTERM or SIGINT.
#include "AutoQdbLock.h"
#include "BaseWorld.h"
#include "ManagerHost.h"
#include "MxrCfgstoreObj.h"
#include "HelpOption.h"
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
    "the post office and the path administrator, sets the database's\n"
    "manager-available word, creates the paths the database holds, turns every\n"
    "path event into the database's comm-up or comm-down and runs until SIGTERM\n"
    "or SIGINT. Other systems are\n"
    "reached through the communication agents that register with the\n"
    "administrator (see hvrelay for a test tool that joins two systems).\n"
    "\n"
    "Environment: HV_SYSTEM_DIR, MXRHOSTNAME (this host's name), TEST_ROOT,\n"
    "TEST_UNAME (the database's node name; give both names the same value).\n"
    "\n"
    "Exit status: 0 stopped by a signal; 1 bad command line; 2 the pipe cannot\n"
    "be made; 3 the signals cannot be watched (the reason of 2 or 3 goes to\n"
    "standard error and the event log); other: the database start-up failed\n"
    "with that result code.\n";

// The message number of a start-up failure's report.
constexpr int kStartFailedMsg = 5002;

}  // namespace

int main(int argc, char** argv) {
    if (int rc = portlib::NoArgumentsOrUsage(argc, argv, "mxrcfgstore", kUsage); rc >= 0) return rc;
    pQdb_arg0 = argv[0];
    MxrCfgstoreObjPtr link;
    const int rc = RunManagerHost(
        "mxrcfgstore",
        [] {
            set_errinfo("mxrcfgstore", "MXR", 0, nullptr);
            setAppId(2);
            qdbpinit();  // waits for the database daemon
        },
        [&link] {
            // The loop's thread never takes the database lock: the word is
            // set on the link's database thread, first of all.
            link = MxrCfgstoreObjPtr(new MxrCfgstoreObj());
            link->RunOnDatabaseThread([] {
                AutoQdbLock lock(__FILE__, __LINE__);
                if (lock.lock(-1) == 0 && pQdb_shgp != nullptr) pQdb_shgp->mgrAvailable = 1;
            });
            link->Initialize();
            link->RequestAvail(0);
        },
        [&link] {
            // A call in progress may wait for the manager: served until it ends.
            if (link.Ok()) link->Shutdown(*BaseWorld::GetWorldPtr(), 15000);
            link = MxrCfgstoreObjPtr();
        },
        [](const std::string& why) {
            // The monitor drops its programs' output: the reason of the end
            // goes to the event log, where an administrator finds it (it is
            // on stderr already).
            set_errinfo("mxrcfgstore", "MXR", 0, nullptr);
            pxm_err(1, kStartFailedMsg, __FILE__, __LINE__, 0, PXM_STDERR, "mxrcfgstore: %s; exiting\n", why.c_str());
        });
    qdbcleanup();
    return rc;
}
