// The restore action: the resources of the scope are collected under the
// lock (children before parents, each once) and brought into service one
// by one by their restore scripts, the SHARED copy on the other system
// asked to leave service first.
#include "qdbkivra.h"

#include "AutoQdbLock.h"
#include "DbMgr.h"
#include "InstanceSeams.h"
#include "RemoteAction.h"
#include "ShellWords.h"
#include "hvresource.h"
#include "qdberr.h"
#include "qdbpaths.h"
#include "TableRecord.h"
#include "platform/PollUntil.h"

#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const char* Local() { return pQdb_uname ? pQdb_uname : ""; }
const char* Shown(const char* s) { return s ? s : "NULL"; }

// The restore's collection: the walk's marks live here, not in the shared
// segment, so other processes' walks cannot disturb them.
struct Collector {
    std::vector<std::string> tags;
    std::set<const hvresource*> taken;
    std::set<const hvresource*> walked;
    bool overflow = false;

    bool take(const hvresource* r) {
        if (!taken.insert(r).second) return true;
        if (tags.size() >= static_cast<std::size_t>(kRestoreMax)) {
            overflow = true;
            return false;
        }
        tags.emplace_back(r->tag());
        return true;
    }
    // The named instance and everything below it, children first.
    bool down(const hvresource* r, const char* tag, bool below) {
        below = below || std::strcmp(r->tag(), tag) == 0;
        if (!below && !walked.insert(r).second) return true;
        if (below && taken.count(r)) return true;
        for (const hvresource* c : r->below())
            if (!down(c, tag, below)) return false;
        return !below || take(r);
    }
    bool all(const hvresource* r) {
        if (taken.count(r)) return true;
        for (const hvresource* c : r->below())
            if (!all(c)) return false;
        return take(r);
    }
};

bool InHierarchy(const hvresource* r, const char* tag, std::set<const hvresource*>* seen) {
    if (std::strcmp(r->tag(), tag) == 0) return true;
    if (!seen->insert(r).second) return false;
    for (const hvresource* c : r->below())
        if (InHierarchy(c, tag, seen)) return true;
    return false;
}

hvresource* FindLocal(AutoQdbLock& lk, const char* tag) {
    if (lk.getDbMgr(nullptr, -1, 1000, 0) == nullptr) return nullptr;
    return hvresource::findins(1, const_cast<char*>(tag), nullptr, nullptr);
}

// How long a restore waits for this system's copy of the other system to
// show the other copy out of service after that system removed it: the
// removal's cache updates travel apart from its answer.
constexpr std::int64_t kCopyFollowsMs = 10000;

void WaitForCopyOut(const cfgstore::EquivalencySide& other) {
    portlib::platform::PollUntil(
        [&other] {
            cfgstore::SavedError keep;
            return !hvresource::in_service(hvresource::remotestate(other.system.c_str(), other.tag.c_str()));
        },
        kCopyFollowsMs, 100);
}

// The other copy of a SHARED resource: asked to leave service, or, with
// "-R" or while the system initialises, only checked. -1 when the other
// copy is in service and this one may not come in.
int SharedCopies(const char* tag, const char* argstring) {
    const bool checkOnly = std::strstr(argstring, "-R") != nullptr || ::access(gps(kPathInitResMarker), F_OK) == 0;
    for (const bool asPrimary : {true, false}) {
        cfgstore::EquivalencySide other;
        if (!cfgstore::Seams().sharedPartner(Local(), tag, asPrimary, &other)) continue;
        if (other.system == Local()) continue;
        const char* kivra = asPrimary ? "KIVRA 1" : "KIVRA 2";
        if (!checkOnly) {
            qdberrcheck();
            hv_err(__FILE__, __LINE__, 6, asPrimary ? 348 : 354, "%s attempting remote remove of resource \"%s\" on machine \"%s\"\n",
                   kivra, other.tag.c_str(), other.system.c_str());
            const cfgstore::RemoteActionAnswer a = cfgstore::SendRemoteAction(other.system.c_str(), '&', other.tag.c_str());
            if (a.sendRc != 0) {
                if (Qdb_errno == QDB_MES) {
                    qdberrclr();
                    hv_err(__FILE__, __LINE__, asPrimary ? 3 : 6, asPrimary ? 349 : 355,
                           "remove unnecessary since lost communication with machine \"%s\"\n", other.system.c_str());
                } else {
                    qdberrcheck();
                    hv_err(__FILE__, __LINE__, 3, asPrimary ? 362 : 356,
                           "qdbsendremote: %s remote remove of resource \"%s\" on machine \"%s\" failed (rt=%d)\n", kivra,
                           other.tag.c_str(), other.system.c_str(), a.sendRc);
                }
            } else if (!a.parsed) {
                qdberrcheck();
                hv_err(__FILE__, __LINE__, 3, asPrimary ? 353 : 360,
                       "qdbgetret: %s remote remove of resource \"%s\" on machine \"%s\" failed\n", kivra,
                       other.tag.c_str(), other.system.c_str());
            } else if (a.result == 0) {
                hv_err(__FILE__, __LINE__, 6, asPrimary ? 351 : 358, "%s\n%s remote remove of resource \"%s\" on machine \"%s\" successful\n",
                       a.text.c_str(), kivra, other.tag.c_str(), other.system.c_str());
                WaitForCopyOut(other);
            } else {
                hv_err(__FILE__, __LINE__, 3, asPrimary ? 352 : 359, "%s\n%s remote remove of resource \"%s\" on machine \"%s\" failed\n",
                       a.text.c_str(), kivra, other.tag.c_str(), other.system.c_str());
            }
            continue;
        }
        const state s = hvresource::remotestate(other.system.c_str(), other.tag.c_str());
        if (Qdb_errno == QDB_MES) qdberrclr();
        if (hvresource::in_service(s)) {
            return hv_err(__FILE__, __LINE__, 23, asPrimary ? 336 : 347,
                          "%s remote resource \"%s\" on machine \"%s\" is already in-service, so resource \"%s\" on machine "
                          "\"%s\" can't be brought in-service.",
                          asPrimary ? "secondary" : "primary", other.tag.c_str(), other.system.c_str(), tag, Local());
        }
    }
    return 0;
}

// Every rule that would refuse the instance's state change to ISP, asked
// before any script runs: the SHARED rule against the other system's copy
// and the reservation this process must clear afterwards. 0, or -1 with the
// refusal reported.
int CheckBeforeScripts(const char* tag, int reserved) {
    AUTO_QDB_LOCK(lk);
    const hvresource* r = FindLocal(lk, tag);
    if (r == nullptr) return -1;
    if (r->check_shared_rule(ISP) != 0) return -1;
    if (!reserved && r->check_reservation(static_cast<long>(::getpid())) != 0) return -1;
    return 0;
}

// The pending error's own text, "(No. N) ...", on one line: a state
// description holds no control characters.
std::string RefusalText() {
    std::string text = Qdb_errbuf != nullptr ? Qdb_errbuf : "";
    if (const std::size_t at = text.find("(No. "); at != std::string::npos) text.erase(0, at);
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

// Runs the remove script of tag (when it has one): what its restore script
// brought up goes down again. The script's exit status is only reported.
void RunRemoveScript(const char* tag, const char* argstring) {
    std::string path, id;
    {
        AUTO_QDB_LOCK(lk);
        const hvresource* r = FindLocal(lk, tag);
        if (r == nullptr || !qdbkivra::exists(r, "remove", &path)) return;
        id = r->id();
    }
    const std::string command = qdbkivra::action_command(path, argstring, tag, id) +
                                qdbkivra::other_system_option("remove", path, tag, argstring, true, true);
    if (command.size() >= kActionTextMax) return;
    hv_debug(__FILE__, __LINE__, "restore", "dorestore: undo run(%s)", command.c_str());
    if (cfgstore::RunShellCommand(command) != 0)
        hv_err(__FILE__, __LINE__, 3, 341, "remove of resource \"%s\" has failed", tag);
}

// How one resource's restore ended, beyond its result.
enum class Ended {
    AsItWent,         // restored, failed by its script, or refused by its state
    RefusedByCheck,   // a rule refused it before its script: nothing ran
    TakenBack,        // refused after its script ran: its remove script ran
};

// One resource's restore.
int RestoreOne(const char* tag, char* comsys, char* comtag, const char* argstring, int reserved, Ended* ended) {
    hv_debug(__FILE__, __LINE__, "restore", "dorestore ENTER: tag %s comsys %s comtag %s argstring %s", tag,
             Shown(comsys), Shown(comtag), argstring);
    int rc = 0;
    std::string id, path;
    bool runScript = false;
    {
        AUTO_QDB_LOCK(lk);
        hvresource* r = FindLocal(lk, tag);
        if (r == nullptr) return -1;
        id = r->id();
        const int has = qdbkivra::exists(r, "restore", &path);
        const state s = r->get_state();
        if (s == ILLSTATE) {
            return hv_err(__FILE__, __LINE__, 23, 363, QDB_ARGS, "resource \"%s\" %s", tag,
                          "failed restore because in ILLSTATE");
        }
        if (s == OSF || s == OSU) {
            for (const hvresource* child : r->below()) {
                if (hvresource::in_service(child->get_state())) continue;
                char why[kActionTextMax];
                std::snprintf(why, sizeof why, "failed restore since child \"%s\" in state \"%s\"", child->tag(),
                              hvresource::convstate(child->get_state()));
                rc = hv_err(__FILE__, __LINE__, 23, 364, QDB_ARGS, "resource \"%s\" %s", tag, why);
            }
            lk.release();
            qdberrcheck();
            if (rc == 0) rc = SharedCopies(tag, argstring);
            // A refusal now runs no script and leaves its error for the caller.
            if (rc == 0 && has && CheckBeforeScripts(tag, reserved) != 0) {
                *ended = Ended::RefusedByCheck;
                return -1;
            }
            runScript = rc == 0 && has;
        }
    }
    if (runScript) {
        const std::string command = qdbkivra::action_command(path, argstring, tag, id) +
                                    qdbkivra::other_system_option("restore", path, tag, argstring, true, true);
        if (command.size() >= kActionTextMax) {
            runScript = false;
            rc = hv_err(__FILE__, __LINE__, 23, 337, QDB_ARGS, "restore of resource \"%s\": command of %zu characters exceeds %zu",
                        tag, command.size(), kActionTextMax - 1);
        } else {
            hv_debug(__FILE__, __LINE__, "restore", "dorestore: run(%s)", command.c_str());
            if (cfgstore::RunShellCommand(command) != 0) {
                runScript = false;
                AUTO_QDB_LOCK(lk);
                if (hvresource* r = FindLocal(lk, tag)) r->privset_state(comsys, comtag, OSF, "restore action has failed");
                rc = hv_err(__FILE__, __LINE__, 23, 337, "restore of resource \"%s\" has failed", tag);
            }
        }
    }
    AUTO_QDB_LOCK(lk);
    hvresource* r = FindLocal(lk, tag);
    if (r == nullptr) return -1;
    if (rc != -1 && r->privset_state(comsys, comtag, ISP, "restore action has succeeded") != 0) {
        rc = -1;
        if (runScript) {
            // The other copy came into service while the script ran: what
            // the script brought up goes down again, and the instance is
            // recorded failed with the refusal's reason.
            const std::string reason = "restore refused after its script ran: " + RefusalText();
            cfgstore::SavedError keep;
            lk.release();
            RunRemoveScript(tag, argstring);
            r = FindLocal(lk, tag);
            if (r != nullptr) r->privset_state(comsys, comtag, OSF, reason.substr(0, kActionTextMax - 1).c_str());
            *ended = Ended::TakenBack;
        }
    }
    if (r != nullptr && !reserved && r->clear_reservation(static_cast<long>(::getpid())) != 0) {
        r->privset_state(comsys, comtag, OSF, "restore action has failed to clear reserve");
        rc = -1;
    }
    return rc;
}

}  // namespace

std::string qdbkivra::action_command(const std::string& path, const char* argstring, const char* tag,
                                     const std::string& id) {
    return path + " " + argstring + " -t " + cfgstore::ShellSingleQuoted(tag) + " -i " + cfgstore::ShellSingleQuoted(id);
}

int qdbkivra::restore(const char* tag, char* comsys, char* comtag, const char* argstring, kivraop_e op,
                      int reserved) {
    if (op == KIVRA_ONE) return dorestore(tag, comsys, comtag, argstring, reserved);
    Collector c;
    {
        AUTO_QDB_LOCK(lk);
        DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
        if (db == nullptr) return -1;
        for (hvresource* root : hvresource::listed(db)) {
            bool ok = true;
            if (op == KIVRA_DOWN) {
                ok = c.down(root, tag, false);
            } else {
                std::set<const hvresource*> seen;
                if (InHierarchy(root, tag, &seen)) ok = c.all(root);
            }
            if (!ok) break;
        }
    }
    if (c.overflow)
        return hv_err(__FILE__, __LINE__, 23, op == KIVRA_DOWN ? 339 : 338, QDB_RANGE,
                      "exceeded internal maximum number of resources to restore (%d)", kRestoreMax);
    if (c.tags.empty()) return hv_err(__FILE__, __LINE__, 23, 365, QDB_ARGS, "resource \"%s\" not found", tag);
    int rc = 0;
    std::vector<const std::string*> restored;
    for (const std::string& t : c.tags) {
        Ended ended = Ended::AsItWent;
        const int one = RestoreOne(t.c_str(), comsys, comtag, argstring, reserved, &ended);
        if (one != 0) rc = one;
        // A rule refuses this resource: nothing above it can come into
        // service, and the caller gets the refusal's error.
        if (ended == Ended::RefusedByCheck) return -1;
        if (ended == Ended::TakenBack) {
            // The action is taken back: what it brought into service goes
            // out again, parents first, and nothing more is restored.
            cfgstore::SavedError keep;
            for (auto it = restored.rbegin(); it != restored.rend(); ++it)
                remove((*it)->c_str(), comsys, comtag, argstring, reserved);
            return -1;
        }
        if (one == 0) restored.push_back(&t);
    }
    return rc;
}

int qdbkivra::dorestore(const char* tag, char* comsys, char* comtag, const char* argstring, int reserved) {
    Ended ended = Ended::AsItWent;
    return RestoreOne(tag, comsys, comtag, argstring, reserved, &ended);
}
