// The administration lock of actions: each waiting process stores a wait
// flag "!action!<pid>!<seconds>!<system>:<text>" in the local database and
// goes on when no other wait flag is older. Flags of one second are ordered
// by the smaller process id (then by name), so exactly one of them goes;
// a process looks only once its flag's second is over, when no flag of that
// second can still appear and pass one that has gone already.
#include "AutoQdbLock.h"
#include "DbIter.h"
#include "DbMgr.h"
#include "QdbStartup.h"
#include "ShmMgr.h"
#include "TableRecord.h"
#include "flg.h"
#include "qdberr.h"
#include "qdbmes.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>
#include <unistd.h>

namespace {

constexpr char kActionPrefix[] = "!action!";
constexpr std::size_t kNameOut = 256;

// The process's hold: nesting count and the exact name of its own flag.
std::mutex g_holdMutex;
int g_nesting = 0;
std::string g_ownFlag;

unsigned long RealNow() { return static_cast<unsigned long>(std::time(nullptr)); }
// The clock that stamps and ages wait flags, and who is told of each look
// that found the caller still behind an older flag.
unsigned long (*g_now)() = RealNow;
void (*g_stillBehind)(int) = nullptr;

struct WaitFlag {
    std::string name;
    unsigned long pid = 0;
    unsigned long secs = 0;
    std::string text;
};

// Splits "!action!<pid>!<secs>!<text>"; false when it is not that.
bool ParseWaitFlag(const char* name, WaitFlag* out) {
    if (std::strncmp(name, kActionPrefix, sizeof kActionPrefix - 1) != 0) return false;
    const char* p = name + sizeof kActionPrefix - 1;
    char* end = nullptr;
    out->pid = std::strtoul(p, &end, 10);
    if (end == p || *end != '!') return false;
    p = end + 1;
    out->secs = std::strtoul(p, &end, 10);
    if (end == p || *end != '!') return false;
    out->text = end + 1;
    out->name = name;
    return true;
}

// True when a is ahead of b in the queue.
bool Ahead(const WaitFlag& a, const WaitFlag& b) {
    if (a.secs != b.secs) return a.secs < b.secs;
    if (a.pid != b.pid) return a.pid < b.pid;
    return a.name < b.name;
}

std::string SystemPart(const std::string& text) { return text.substr(0, text.find(':')); }

// 1 alive, 0 gone, -1 cannot tell (the error record says why).
int ProcessAlive(const std::string& system, unsigned long pid) {
    if (cfgstore::IsLocalSystem(system.c_str())) {
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM) return 1;
        if (errno == ESRCH) return 0;
        hv_err(__FILE__, __LINE__, 22, 290, "wait_for_action: flgPid=%lu", pid);
        return -1;
    }
    char reply[32];
    if (cfgstore::SendRemote(reply, sizeof reply, system.c_str(), '@', 'h', std::to_string(pid).c_str(),
                             std::to_string(pid).size()) != 0)
        return -1;
    return reply[0] == '1' ? 1 : 0;
}

void RemoveFlag(const std::string& name) {
    if (flg_remove(nullptr, name.c_str()) != 0) {
        if (Qdb_errno == QDB_NOEXIST) qdberrclr();
        else qdbfatalcheck();
    }
}

// Gives up: the own flag goes, so it blocks no one; the error stays.
int GiveUp(const std::string& own) {
    cfgstore::SavedError keep;
    RemoveFlag(own);
    return -1;
}

}  // namespace

int flg::wait_for_action(const char* text, char* nameOut, pid_t pid, const char*) {
    qdbpinit();
    std::lock_guard<std::mutex> hold(g_holdMutex);
    if (g_nesting > 0) {
        ++g_nesting;
        if (nameOut != nullptr) std::snprintf(nameOut, kNameOut, "%s", g_ownFlag.c_str());
        return 0;
    }
    const std::string callerText = text ? text : "";
    const std::string callerSystem = SystemPart(callerText);
    char own[kNameOut];
    const unsigned long now = g_now();
    std::snprintf(own, sizeof own, "!action!%5.5lu!%lu!%s", static_cast<unsigned long>(pid), now, callerText.c_str());
    if (nameOut != nullptr) std::snprintf(nameOut, kNameOut, "%s", own);
    WaitFlag mine;
    ParseWaitFlag(own, &mine);
    {
        AUTO_QDB_LOCK(lk);
        DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
        flg* f = db ? alloc(db) : nullptr;
        if (f == nullptr) return hv_err(__FILE__, __LINE__, 23, 292, QDB_INT, "no room for wait flag %s", own);
        if (f->create(own, 0) != 0) {
            cfgstore::SavedError keep;
            f->destroy();
            return -1;
        }
        broadcastUpdate('a', own, db);
    }
    while (g_now() <= now) ::usleep(20000);
    for (int pass = 1;; ++pass) {
        bool found = false;
        WaitFlag blocker;
        bool blocked = false;
        {
            AUTO_QDB_LOCK(lk);
            DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
            DbIter it;
            it.iterInit(FLG, db);
            for (auto* f = static_cast<flg*>(it.current()); f != nullptr; f = static_cast<flg*>(it.next())) {
                WaitFlag other;
                if (!ParseWaitFlag(f->flgName(), &other)) continue;
                if (other.name == mine.name) {
                    found = true;
                } else if (!blocked && Ahead(other, mine)) {
                    blocker = other;
                    blocked = true;
                }
            }
        }
        if (!found) hv_err(__FILE__, __LINE__, 21, 287, "can't find my wait flag=%s", own);
        if (!blocked) {
            g_nesting = 1;
            g_ownFlag = own;
            return 0;
        }
        if (blocker.text.find(':') == std::string::npos)
            hv_err(__FILE__, __LINE__, 21, 288, "insane flag=%s", blocker.name.c_str());
        const int owner = ProcessAlive(SystemPart(blocker.text), blocker.pid);
        if (owner < 0) {
            qdberrclr();
            hv_err(__FILE__, __LINE__, 5, 291, QDB_DEADLOCK, "admin flag locked by system %s, process %lu, id %s\n",
                   SystemPart(blocker.text).c_str(), blocker.pid, blocker.name.c_str());
            Qdb_errno = QDB_DEADLOCK;
            return GiveUp(own);
        }
        if (owner == 0) {
            RemoveFlag(blocker.name);
            hv_err(__FILE__, __LINE__, 8, 298, "wait_for_action: admin flag %s removed because owner terminated",
                   blocker.name.c_str());
            continue;
        }
        if (pass % 10 == 0 && ProcessAlive(callerSystem, static_cast<unsigned long>(pid)) == 0) {
            hv_err(__FILE__, __LINE__, 8, 1804, QDB_NOEXIST, "Caller process %d has disappeared - removing admin flag\n",
                   static_cast<int>(pid));
            Qdb_errno = QDB_NOEXIST;
            return GiveUp(own);
        }
        qdberrclr();
        if (g_stillBehind != nullptr) g_stillBehind(pass);
        ::sleep(1);
    }
}

void flg::setActionClock(unsigned long (*now)(), void (*stillBehind)(int pass)) {
    g_now = now != nullptr ? now : RealNow;
    g_stillBehind = stillBehind;
}

int flg::action_has_finished(const char* text) {
    std::lock_guard<std::mutex> hold(g_holdMutex);
    if (g_nesting == 0) hv_err(__FILE__, __LINE__, 21, 284, "action_has_finished() called before wait_for_action()");
    if (g_nesting > 1) {
        --g_nesting;
        return 0;
    }
    // The process's own flag, by the exact name it was made with: another
    // process's flag stored before it is never taken for it.
    {
        AUTO_QDB_LOCK(lk);
        DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
        if (db == nullptr || find(db, g_ownFlag.c_str()) == nullptr)
            hv_err(__FILE__, __LINE__, 21, 285, "can't find my wait flag=%s (%s)", g_ownFlag.c_str(), text ? text : "");
    }
    if (flg_remove(nullptr, g_ownFlag.c_str()) != 0)
        hv_err(__FILE__, __LINE__, 22, 289, "can't remove my wait flag %s", g_ownFlag.c_str());
    g_nesting = 0;
    g_ownFlag.clear();
    return 0;
}
