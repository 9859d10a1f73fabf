// qdbperfaction and its C entries: the restore and remove actions with their
// reservations, the "!fsaudit_abort" flag and the global scripts; delete and
// any other action by their scripts alone.
#include "qdbkivra.h"

#include "AutoQdbLock.h"
#include "DbMgr.h"
#include "QdbStartup.h"
#include "ShellWords.h"
#include "flg.h"
#include "hvresource.h"
#include "qdberr.h"
#include "qdbmes.h"
#include "qdbpaths.h"

#include <cstdarg>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

const char* Text(const char* s) { return s ? s : ""; }

// Creates "!fsaudit_abort"; true when this call made it.
bool RaiseAbortFlag() {
    if (flg_create(nullptr, "!fsaudit_abort") == 0) return true;
    if (Qdb_errno == QDB_EXIST) qdberrclr();
    return false;
}

int RestoreOrRemove(char* comsys, char* comtag, const char* tag, bool restore, char* argstring, kivraop_e op,
                    int reserved, int globals) {
    const char* action = restore ? "restore" : "remove";
    const bool made = RaiseAbortFlag();
    if (globals) qdbkivra::qdbglobact(0, action, nullptr);
    int rc = 0;
    if (!reserved && hvresource::reserve_resources(tag, restore ? 'S' : 'M') != 0) {
        rc = -1;
    } else {
        rc = restore ? qdbkivra::restore(tag, comsys, comtag, Text(argstring), op, reserved)
                     : qdbkivra::remove(tag, comsys, comtag, Text(argstring), reserved);
        if (!reserved && hvresource::clear_reservations(static_cast<long>(::getpid())) != 0) rc = -1;
    }
    if (globals && qdbkivra::qdbglobact(1, action, nullptr) != 0) rc = -1;
    if (made) flg_remove(nullptr, "!fsaudit_abort");
    return rc;
}

// Delete and any other action: the script with the argument string
// appended directly. Its failure is stored for the thread, not returned.
int ScriptAction(const char* tag, const char* action, const char* argstring, int globals, bool* early) {
    const bool isDelete = std::strcmp(action, "delete") == 0;
    int rc = 0;
    if (isDelete && globals && qdbkivra::qdbglobact(0, "delete", nullptr) != 0) rc = -1;
    std::string path;
    int has = 0;
    bool found = false;
    {
        AUTO_QDB_LOCK(lk);
        lk.getDbMgr(nullptr, -1, 1000, 0);
        hvresource* r = hvresource::findins(1, const_cast<char*>(tag), nullptr, nullptr);
        if (r != nullptr) {
            found = true;
            has = qdbkivra::exists(r, action, &path);
        }
    }
    if (!found) rc = -1;
    // Without a delete script the call ends here: no post scripts, no sync.
    if (found && !has && isDelete) {
        *early = true;
        return 0;
    }
    if (found && has) {
        std::string command = path + argstring;
        if (isDelete) command += qdbkivra::other_system_option(action, path, tag, argstring, false, false);
        if (command.size() >= kActionTextMax) {
            hv_err(__FILE__, __LINE__, 23, isDelete ? 345 : 346, QDB_ARGS,
                   "action \"%s\" on resource \"%s\": command of %zu characters exceeds %zu", action, tag,
                   command.size(), kActionTextMax - 1);
        } else {
            hv_debug(__FILE__, __LINE__, isDelete ? "delete" : "perfaction", isDelete ? "delete: b=%s" : "perfaction: b=%s",
                     command.c_str());
            if (cfgstore::RunShellCommand(command) != 0)
                hv_err(__FILE__, __LINE__, 23, isDelete ? 345 : 346, "action \"%s\" has failed on resource \"%s\"",
                       action, tag);
        }
    }
    if (isDelete && globals && qdbkivra::qdbglobact(1, "delete", nullptr) != 0) rc = -1;
    return rc;
}

}  // namespace

int qdbkivra::qdbperfaction(char* comsys, char* comtag, const char* tag, const char* action, char* argstring,
                            kivraop_e op, int reserved, int globals) {
    qdbpinit();
    if (tag == nullptr || *tag == '\0' || action == nullptr || *action == '\0')
        return hv_err(__FILE__, __LINE__, 23, 365, QDB_ARGS, "an action needs a resource tag and an action name");
    int rc = 0;
    bool early = false;
    if (std::strcmp(action, "restore") == 0 || std::strcmp(action, "remove") == 0)
        rc = RestoreOrRemove(comsys, comtag, tag, action[2] == 's', argstring, op, reserved, globals);
    else
        rc = ScriptAction(tag, action, Text(argstring), globals, &early);
    if (early) return 0;
    if (qdbsync(nullptr) != 0) qdberrcheck();
    return rc;
}

int qdbkivra::exists(const hvresource* r, const char* action, std::string* path) {
    const std::string root = gps(kPathRoot), suffix = ".ksh";
    *path = root + "/subsys/" + r->app() + "/resources/" + r->typ() + "/actions/" + action + suffix;
    int found = ::access(path->c_str(), F_OK) == 0 ? 1 : 0;
    if (!found) {
        *path = root + "/subsys/" + r->app() + "/actions/" + action + suffix;
        found = ::access(path->c_str(), F_OK) == 0 ? 1 : 0;
    }
    hv_debug(__FILE__, __LINE__, "exists", "exists LEAVE: b=%s", path->c_str());
    return found;
}

std::string qdbkivra::other_system_option(const char* action, const std::string& path, const char* tag,
                                          const char* argstring, bool withPrimary, bool quoted) {
    if (path.find("scsi") == std::string::npos ||
        (path.find("device") == std::string::npos && path.find("disk") == std::string::npos))
        return "";
    if (std::strstr(argstring, "-s") != nullptr) {
        hv_debug(__FILE__, __LINE__, action, "%s: -s option already specified for \"%s\" argstring=%s", action, tag,
                 argstring);
        return "";
    }
    char buf[kActionTextMax] = {};
    bool known = find_other_system(const_cast<char*>(tag), buf) == 0;
    if (!known && withPrimary) {
        std::memset(buf, 0, sizeof buf);
        qdberrclr();
        known = is_on_primary(tag, buf) >= 0;
    }
    qdberrclr();
    if (!known || buf[0] == '\0' || std::strcmp(buf, "0") == 0) {
        hv_debug(__FILE__, __LINE__, action, "%s: name of the other system for tag \"%s\" unknown and -s option not given",
                 action, tag);
        return "";
    }
    // The delete line names the system bare; anything but a plain name is
    // quoted all the same.
    const bool plain = std::strspn(buf, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789._-") == std::strlen(buf);
    return quoted || !plain ? " -s " + cfgstore::ShellSingleQuoted(buf) : std::string(" -s ") + buf;
}

extern "C" int find_other_system(char* tag, char* buffer) {
    if (buffer == nullptr) return -1;
    AUTO_QDB_LOCK(lk);
    if (lk.getDbMgr(nullptr, -1, 1000, 0) == nullptr) return -1;
    hvresource* r = hvresource::findins(1, tag, nullptr, nullptr);
    if (r == nullptr) {
        if (Qdb_errno == QDB_NOEXIST) hv_err(__FILE__, __LINE__, 6, 335, "resource \"%s\" no longer exists.", Text(tag));
        return -1;
    }
    const char* info = r->info();
    const char* end = std::strchr(info, '\x02');
    std::size_t n = end ? static_cast<std::size_t>(end - info) : std::strlen(info);
    if (n >= kActionTextMax) n = kActionTextMax - 1;
    std::memcpy(buffer, info, n);
    buffer[n] = '\0';
    return 0;
}

extern "C" int perfaction(char* tag, int reserved, char* action, char* argstring, kivraop_e op, int globals) {
    return qdbkivra::qdbperfaction(nullptr, nullptr, tag, action, argstring, op, reserved, globals);
}

extern "C" int perform_action(char* tag, int reserved, int globals, kivraop_e op, char* action, ...) {
    // Each value is quoted for the shell: an ordinary one gives " \"value\"".
    std::string args;
    va_list ap;
    va_start(ap, action);
    for (const char* v = va_arg(ap, const char*); v != nullptr; v = va_arg(ap, const char*))
        args += " " + cfgstore::ShellDoubleQuoted(v);
    va_end(ap);
    if (args.size() >= kActionTextMax) {
        return hv_err(__FILE__, __LINE__, 23, 0, QDB_ARGS, "arguments of action \"%s\" exceed %zu characters",
                      Text(action), kActionTextMax - 1);
    }
    return qdbkivra::qdbperfaction(nullptr, nullptr, tag, action, args.data(), op, reserved, globals);
}
