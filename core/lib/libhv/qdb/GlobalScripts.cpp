// Global pre and post scripts of an action: the pre scripts run once until
// the post scripts have run (the flag "!<action>" lives between them); the
// post scripts also run on every system named by a flag
// "!<action>!<system>", through that system's recovery program.
#include "qdbkivra.h"

#include "application.h"
#include "flg.h"
#include "qdberr.h"
#include "qdbexec.h"
#include "qdbfile.h"
#include "qdbmes.h"
#include "qdbpaths.h"

#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const char* Local() { return pQdb_uname ? pQdb_uname : ""; }

// Runs the general script and then every application's, those that exist.
int LocalScripts(int when, const char* action, const char* argument) {
    const char* label = when ? "post" : "pre";
    const std::string root = gps(kPathRoot);
    std::vector<std::pair<std::string, int>> paths{{root + "/subsys/actions/" + label + action + ".ksh", 342}};
    if (char** apps = app_list(nullptr)) {
        for (char** a = apps; *a; ++a) {
            paths.emplace_back(root + "/subsys/" + *a + "/actions/" + label + action + ".ksh", 343);
            qdbfreeit(*a);
        }
        qdbfreeit(apps);
    }
    qdberrclr();
    int rc = 0;
    for (const auto& [path, msg] : paths) {
        hv_debug(__FILE__, __LINE__, "priv_globact", "%s,priv_globact(%d,%s): do_local_act=%d path=%s", Local(), when,
                 action, 1, path.c_str());
        if (::access(path.c_str(), F_OK) != 0) continue;
        const std::string cmd = path + " " + (argument ? argument : "");
        hv_debug(__FILE__, __LINE__, "priv_globact", "%s,priv_globact(%d,%s): cmd=%s", Local(), when, action, cmd.c_str());
        const int status = run(cmd.c_str());
        hv_debug(__FILE__, __LINE__, "priv_globact", "%s,priv_globact(%d,%s): path %s returned %d", Local(), when, action,
                 path.c_str(), status);
        if (status != 0) {
            hv_err(__FILE__, __LINE__, 23, msg, "%s,priv_globact(%d,%s): script %s FAILED returning %d", Local(), when,
                   action, path.c_str(), status);
            rc = status;
        }
    }
    return rc;
}

// The post scripts on the systems that asked for them.
int RemoteScripts(int when, const char* action, const char* argument, const std::string& flag) {
    const std::string prefix = flag + "!";
    std::vector<std::string> systems;
    if (char** names = flg_list(nullptr)) {
        for (char** n = names; *n; ++n) {
            if (std::strncmp(*n, prefix.c_str(), prefix.size()) == 0 && (*n)[prefix.size()] != '\0')
                systems.emplace_back(*n + prefix.size());
            qdbfreeit(*n);
        }
        qdbfreeit(names);
    }
    qdberrclr();
    int rc = 0;
    for (const std::string& sys : systems) {
        const std::string name = prefix + sys;
        if (flg_remove(nullptr, name.c_str()) != 0) qdberrclr();
        const std::string cmd =
            std::string(gps(kPathQdbRecover)) + " -G " + action + " -- " + (argument ? argument : "");
        hv_debug(__FILE__, __LINE__, "priv_globact", "%s,priv_globact(%d,%s): flag \"%s\" exists, run command \"%s\" on machine %s",
                 Local(), when, action, name.c_str(), cmd.c_str(), sys.c_str());
        hv_err(__FILE__, __LINE__, 6, 368, "%s,priv_globact(%d,%s): Running Post Global %s Scripts On Machine %s", Local(),
               when, action, action, sys.c_str());
        std::unique_ptr<char[]> out(new char[kQdbMesMax]);
        out[0] = '\0';
        const int ret = rem_exec(sys.c_str(), cmd.c_str(), out.get(), nullptr);
        if (ret != 0) {
            if (ret == -1 && Qdb_errno == QDB_MES) {
                qdberrclr();
            } else {
                hv_err(__FILE__, __LINE__, 23, 344, "%s,priv_globact(%d,%s): cmd \"%s\" returned error \"%d\" retbuf=\"%s\"",
                       Local(), when, action, cmd.c_str(), ret, out.get());
                rc = ret;
            }
        }
        if (out[0] != '\0') {
            hv_err(__FILE__, __LINE__, 6, 369,
                   "%s,priv_globact(%d,%s): Post Global %s Scripts Finished Exiting %d On Machine %s With Output Following:",
                   Local(), when, action, action, ret, sys.c_str());
            hv_err(__FILE__, __LINE__, 3, 361, "%s", out.get());
            hv_err(__FILE__, __LINE__, 6, 370, "%s,priv_globact(%d,%s): Local Post Global %s Script Processing Continues...",
                   Local(), when, action, action);
        }
    }
    return rc;
}

}  // namespace

int qdbkivra::qdbglobact(int when, const char* action, const char* argument) {
    if (action == nullptr) return hv_err(__FILE__, __LINE__, 23, 367, QDB_ARGS, "no global action named");
    if (std::strcmp(action, "all") == 0) {
        if (when == 0) return hv_err(__FILE__, __LINE__, 23, 367, QDB_ARGS, "can't run all pre global stripts together");
        int rc = 0;
        for (const char* a : {"remove", "restore", "delete"}) {
            const int one = priv_globact(1, a, argument);
            if (one != 0) rc = one;
        }
        return rc;
    }
    if (std::strcmp(action, "restore") == 0 && when == 1) {
        const int first = priv_globact(1, "remove", argument);
        const int second = priv_globact(1, "restore", argument);
        return second != 0 ? second : first;
    }
    return priv_globact(when, action, argument);
}

int qdbkivra::priv_globact(int when, const char* action, const char* argument) {
    hv_debug(__FILE__, __LINE__, "priv_globact", "%s,priv_globact(%d,%s,%s): ENTER arg=%s", Local(), when, action,
             argument ? argument : "", argument ? argument : "");
    const std::string flag = std::string("!") + action;
    int rc = 0;
    if (when == 0) {
        if (flg_test(nullptr, flag.c_str(), 0) == 0) {
            hv_debug(__FILE__, __LINE__, "priv_globact", "%s,priv_globact(%d,%s): LEAVE already run", Local(), when, action);
            return 0;
        }
        if (flg_create(nullptr, flag.c_str()) != 0 && Qdb_errno == QDB_EXIST) qdberrclr();
        rc = LocalScripts(when, action, argument);
    } else {
        if (flg_test(nullptr, flag.c_str(), 0) == 0) {
            if (flg_remove(nullptr, flag.c_str()) != 0) {
                if (Qdb_errno != QDB_NOEXIST) return -1;
                qdberrclr();
            } else {
                rc = LocalScripts(when, action, argument);
            }
        }
        const int remote = RemoteScripts(when, action, argument, flag);
        if (remote != 0) rc = remote;
    }
    hv_debug(__FILE__, __LINE__, "priv_globact", "%s,priv_globact(%d,%s): LEAVE ret=%d", Local(), when, action, rc);
    return rc;
}

extern "C" int qdbglobact(int when, const char* action, const char* argument) {
    return qdbkivra::qdbglobact(when, action, argument);
}
