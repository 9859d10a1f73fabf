// The remove action: a resource and everything above it leave service,
// parents first, each by its remove script.
#include "qdbkivra.h"

#include "AutoQdbLock.h"
#include "DbMgr.h"
#include "ShellWords.h"
#include "dependency.h"
#include "hvresource.h"
#include "qdberr.h"
#include "qdbfile.h"
#include "qdbpaths.h"

#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const char* Shown(const char* s) { return s ? s : "NULL"; }

// The tags of the instances directly above tag; -1 on a listing failure
// other than none found.
int Parents(const char* tag, std::vector<std::string>* out) {
    char** list = dep_list(nullptr, tag, 0, nullptr, nullptr, 0);
    if (list == nullptr) {
        if (Qdb_errno == QDB_NOEXIST) {
            qdberrclr();
            return 0;
        }
        return -1;
    }
    for (char** p = list; *p; ++p) {
        const char* sep = std::strchr(*p, '\x01');
        out->emplace_back(*p, sep ? static_cast<std::size_t>(sep - *p) : std::strlen(*p));
        qdbfreeit(*p);
    }
    qdbfreeit(list);
    return 0;
}

}  // namespace

int qdbkivra::remove(const char* tag, char* comsys, char* comtag, const char* argstring, int reserved) {
    hv_debug(__FILE__, __LINE__, "remove", "remove: tg=%s comsys=%s comtag=%s argstring=%s\n", tag, Shown(comsys),
             Shown(comtag), argstring);
    qdberrcheck();
    int rc = 0;
    std::vector<std::string> parents;
    if (Parents(tag, &parents) != 0) rc = -1;
    for (const std::string& p : parents)
        if (remove(p.c_str(), comsys, comtag, argstring, reserved) == -1) rc = -1;
    if (rc != 0) return rc;

    bool change = false;
    state newState = OSU;
    const char* reason = "";
    std::string command;
    {
        AUTO_QDB_LOCK(lk);
        if (lk.getDbMgr(nullptr, -1, 1000, 0) == nullptr) return -1;
        hvresource* r = hvresource::findins(1, const_cast<char*>(tag), nullptr, nullptr);
        if (r == nullptr) return -1;
        const state s = r->get_state();
        if (s == ILLSTATE) {
            rc = hv_err(__FILE__, __LINE__, 23, 366, QDB_ARGS, "can't perform \"remove\" action on resources in state\"%s\"",
                        hvresource::convstate(s));
        } else if (hvresource::in_service(s)) {
            change = true;
            std::string path;
            if (!exists(r, "remove", &path)) {
                reason = "empty remove action has succeeded";
            } else {
                command = action_command(path, argstring, tag, r->id());
                lk.release();
                command += other_system_option("remove", path, tag, argstring, true, true);
            }
        }
    }
    if (!command.empty()) {
        int status = -1;
        if (command.size() >= kActionTextMax) {
            hv_err(__FILE__, __LINE__, 23, 341, QDB_ARGS, "remove of resource \"%s\": command of %zu characters exceeds %zu",
                   tag, command.size(), kActionTextMax - 1);
        } else {
            hv_debug(__FILE__, __LINE__, "remove", "remove: run(%s)", command.c_str());
            status = cfgstore::RunShellCommand(command);
        }
        if (status == 0) {
            reason = "remove action has succeeded";
        } else {
            newState = 0;
            reason = "remove action has failed";
            rc = hv_err(__FILE__, __LINE__, 23, 341, "remove of resource \"%s\" has failed", tag);
        }
    }
    AUTO_QDB_LOCK(lk);
    if (lk.getDbMgr(nullptr, -1, 1000, 0) == nullptr) return -1;
    hvresource* r = hvresource::findins(1, const_cast<char*>(tag), nullptr, nullptr);
    if (r == nullptr) return -1;
    if (!reserved && r->clear_reservation(static_cast<long>(::getpid())) != 0) {
        newState = OSF;
        reason = "remove action has failed to clear reserve";
        change = true;
        rc = -1;
    }
    if (change) {
        // A failed script keeps the state and records why.
        const state target = newState == 0 ? r->get_state() : newState;
        if (r->privset_state(comsys, comtag, target, reason) == -1) rc = -1;
    }
    return rc;
}
