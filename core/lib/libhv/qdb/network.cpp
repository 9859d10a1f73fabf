#include "network.h"

#include "AutoQdbLock.h"
#include "CacheUpdateFrame.h"
#include "CommAgentEnt.h"
#include "DbIter.h"
#include "DbMgr.h"
#include "ShmMgr.h"
#include "TableRecord.h"
#include "qdberr.h"
#include "qdbfile.h"
#include "qdbpaths.h"
#include "systems.h"

#include <cstdlib>
#include <cstring>
#include <strings.h>

using cfgstore::OwnerDb;

int All_sync = 0;

namespace {

void MarkChanged() { pQdb_shgp->changed[qdbshm::kChangedNetworks] = 1; }

bool Same(const char* a, const char* b) { return std::strcmp(a ? a : "", b ? b : "") == 0; }

bool BaudKept(nettype t) { return t == 'y' || t == 'f'; }

// A device text goes into the table file, records and event command lines:
// no control characters and no white space.
bool DeviceOk(const char* device) {
    if (device == nullptr) return true;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(device); *p; ++p)
        if (*p <= ' ' || *p == 0x7F) return false;
    return true;
}

}  // namespace

network* network::alloc(DbMgr* db) {
    auto* n = static_cast<network*>(cfgstore::NewRecord(db, sizeof(network), NETWORK));
    if (n != nullptr) {
        n->system = kNullOff;
        n->device = kNullOff;
    }
    return n;
}

void network::destroy() {
    if (!QdbPages().checkFree(this, NETWORK, "network", 103, 112)) return;
    cfgstore::ClearRecordText(&system);
    cfgstore::ClearRecordText(&device);
    cfgstore::FreeRecord(this);
}

const char* network::sysName() const { return cfgstore::RecordText(system); }

const char* network::mydevice() const { return device < 0 ? nullptr : cfgstore::RecordText(device); }

network* network::getnet(DbMgr* db, const char* sys, const char* dev) {
    if (db == nullptr) return nullptr;
    DbIter it;
    it.iterInit(NETWORK, db);
    for (auto* n = static_cast<network*>(it.current()); n != nullptr; n = static_cast<network*>(it.next()))
        if (Same(n->sysName(), sys) && Same(n->mydevice(), dev)) return n;
    return nullptr;
}

int network::create(const char* sys, const char* dev, nettype t, int baud, int prio, int hbI, int hbM) {
    DbMgr* db = OwnerDb(h);
    if (db == nullptr) return -1;
    const bool local = db->islocal();
    if (t == '0') return hv_err(__FILE__, __LINE__, 23, 998, QDB_ARGS, "net type must not be ILLNET");
    if (baud < 0 || baud > 38400)
        return hv_err(__FILE__, __LINE__, 23, 999, QDB_ARGS, "baud rate must be between B0 and B38400");
    if (systems::find(db, sys) == nullptr)
        return hv_err(__FILE__, __LINE__, 23, kMsgSystemUnknown, QDB_ARGS, "system \"%s\" unknown on machine \"%s\"",
                      sys ? sys : "<NULL>", db->dbName() ? db->dbName() : "");
    if (!DeviceOk(dev))
        return hv_err(__FILE__, __LINE__, 23, 999, QDB_ARGS,
                      "device \"%s\" may not hold white space or control characters", dev);
    DbIter it;
    it.iterInit(NETWORK, db);
    for (auto* n = static_cast<network*>(it.current()); n != nullptr; n = static_cast<network*>(it.next())) {
        if (n == this) continue;
        if (local && t == 'y' && n->type == 'y' && dev != nullptr && n->mydevice() != nullptr &&
            ::strcasecmp(n->mydevice(), dev) == 0)
            return hv_err(__FILE__, __LINE__, 23, 1005, QDB_EXIST, "device %s already in use", dev);
        if (Same(n->sysName(), sys) && Same(n->mydevice(), dev)) {
            if (!local) return -1;
            return hv_err(__FILE__, __LINE__, 23, 1006, QDB_EXIST, "already in use, network: [%s] [%s]", sys,
                          dev ? dev : "");
        }
    }
    if (cfgstore::SetRecordText(db, &system, sys) != 0 || cfgstore::SetRecordText(db, &device, dev) != 0)
        return hv_err(__FILE__, __LINE__, 23, 1006, QDB_INT, "no room for the path to %s", sys);
    type = t;
    ttybaud = BaudKept(t) ? (baud == 0 ? 9600 : baud) : 0;
    netstat = MXRNET_FAILED;
    timeLastSent = 0;
    priority = prio;
    hbInterval = hbI;
    hbMaxMiss = hbM;
    if (!local) return 0;
    MarkChanged();
    // The update carries the baud as given: 0 stays 0 there.
    broadcastUpdate(db, 'a', sys, dev, t, baud, prio, hbI, hbM, MXRNET_FAILED);
    return 0;
}

int network::createmany(int reset, const char* dbsys, char* text, int) {
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(cfgstore::IsLocalSystem(dbsys) ? nullptr : dbsys, -1, 1000, 0);
    if (db == nullptr) return -1;
    int rc = 0;
    for (char* line = text; line != nullptr && *line != '\0';) {
        char* end = std::strchr(line, '\n');
        char* nextLine = end ? end + 1 : nullptr;
        if (end) *end = '\0';
        const bool blank = *line == '\0';
        char* f[16] = {};
        char* p = line;
        int count = 0;
        while (count < 16 && p != nullptr) p = qdbstrscan(p, &f[count++], nullptr);
        line = nextLine;
        if (count < 3 || *f[0] == '\0' || f[1] == nullptr || *f[1] == '\0' || *f[2] == '\0' || *f[2] == '0') {
            // A record cut short is refused aloud, not dropped unseen.
            if (!blank) rc = hv_err(__FILE__, __LINE__, 23, 1006, QDB_ARGS, "path record without system, device and type");
            continue;
        }
        auto num = [&](int i) { return i < count && f[i] ? std::atoi(f[i]) : 0; };
        network* n = alloc(db);
        if (n == nullptr) {
            rc = hv_err(__FILE__, __LINE__, 23, 1006, QDB_INT, "no room for the path to %s", f[0]);
            continue;
        }
        if (cfgstore::SetRecordText(db, &n->system, f[0]) != 0 || cfgstore::SetRecordText(db, &n->device, f[1]) != 0) {
            n->destroy();
            rc = hv_err(__FILE__, __LINE__, 23, 1006, QDB_INT, "no room for the path to %s", f[0]);
            continue;
        }
        n->type = static_cast<unsigned char>(*f[2]);
        n->ttybaud = n->type == 'y' ? num(3) : 0;
        n->netstat = reset ? MXRNET_FAILED : (num(4) != 0 ? MXRNET_ALIVE : MXRNET_FAILED);
        n->priority = num(5);
        n->hbInterval = num(6);
        n->hbMaxMiss = num(7);
        for (int i = 0; i < MXRSTAT_COUNT; ++i)
            n->statistics[i] = 8 + i < count && f[8 + i] ? static_cast<std::uint32_t>(std::strtoul(f[8 + i], nullptr, 10)) : 0;
        n->timeLastSent = 0;
    }
    return rc;
}

int network::net_readall() {
    return cfgstore::LoadTableFile(gps(kPathNetworksTable),
                                   [](const char* dbsys, char* text, int) { return createmany(1, dbsys, text, 0); });
}

void network::getall(std::string& out) {
    DbIter it;
    it.iterInit(NETWORK, ShmMgr::findDbMgr(nullptr, 0));
    char line[2000];
    for (auto* n = static_cast<network*>(it.current()); n != nullptr; n = static_cast<network*>(it.next())) {
        if (n->type == '0') continue;
        std::snprintf(line, sizeof line, "%s\x01%s\x01%c\x01%d\x01%d\x01%d\x01%d\x01%d", n->sysName(),
                      cfgstore::RecordText(n->device), static_cast<char>(n->type), n->ttybaud, n->netstat, n->priority,
                      n->hbInterval, n->hbMaxMiss);
        out += line;
        for (std::uint32_t s : n->statistics) {
            std::snprintf(line, sizeof line, "\x01%lu", static_cast<unsigned long>(s));
            out += line;
        }
        out += '\n';
    }
}

bool network::getrec(const char* sys, const char* dev, std::string& out) {
    const network* n = getnet(ShmMgr::findDbMgr(nullptr, 0), sys, dev);
    if (n == nullptr) return false;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%c\x01%d\x01%d\x01%d", static_cast<char>(n->type), n->ttybaud, 0, 0);
    out += buf;
    return true;
}

void network::set_netstat(mxrstatus_t status) {
    netstat = status;
    if (DbMgr* db = OwnerDb(h))
        broadcastUpdate(db, 'f', sysName(), mydevice(), type, ttybaud, priority, hbInterval, hbMaxMiss, status);
}

int network::incstat(mxrstat_t which) {
    DbMgr* db = OwnerDb(h);
    if (db == nullptr || !db->islocal())
        return hv_err(__FILE__, __LINE__, 23, 1016, QDB_ARGS, "can't remotely increment statistics");
    ++statistics[which];
    MarkChanged();
    return 0;
}

const char* network::convtype(nettype t) {
    switch (t) {
    case '0': return "ILLNET";
    case 'l': return "TLI";
    case 'y': return "TTY";
    case 's': return "SCSI";
    case 'f': return "FDP";
    default: return "UNKNET";
    }
}

const char* network::convbaud(int baud) {
    switch (baud) {
    case 0: return "0";
    case 50: return "50";
    case 75: return "75";
    case 110: return "110";
    case 134: return "134";
    case 150: return "150";
    case 200: return "200";
    case 300: return "300";
    case 600: return "600";
    case 1200: return "1200";
    case 1800: return "1800";
    case 2400: return "2400";
    case 4800: return "4800";
    case 9600: return "9600";
    case 19200: return "19200";
    case 38400: return "38400";
    default: return "UNKBAUD";
    }
}

const char* network::getstate() const {
    switch (type) {
    case 'l':
    case 'y':
    case 's': return netstat ? "ALIVE" : "DEAD";
    case 'f': return netstat ? "ON" : "OFF";
    default: return "UNKSTATE";
    }
}

int network::secs_per_ten_thou() const {
    switch (ttybaud) {
    case 300: return 640;
    case 600: return 320;
    case 1200: return 160;
    case 1800: return 120;
    case 2400: return 80;
    case 4800: return 40;
    case 9600: return 20;
    case 19200: return 10;
    case 38400: return 5;
    default:
        // Reported to the caller, never the end of the process: a stored baud
        // is no reason to stop whoever asks.
        return hv_err(__FILE__, __LINE__, 23, 978, QDB_ARGS, "illegal timeout baud %d", ttybaud);
    }
}

int network::agentType(nettype t) {
    switch (t) {
    case 'l': return CommAgentEnt::TLI;
    case 'y':
    case 'f': return CommAgentEnt::TTY;
    case 's': return CommAgentEnt::SCSI;
    default: return CommAgentEnt::OTHER;
    }
}

void network::print(std::FILE* out, int num, const char* text) {
    std::fprintf(out, "\n%s:: [%d,%s]\n", "network", num, text ? text : "");
    DbMgr* db = ShmMgr::findDbMgr(nullptr, 0);
    DbIter sysIt;
    sysIt.iterInit(SYSTEM, db);
    for (auto* s = static_cast<systems*>(sysIt.current()); s != nullptr; s = static_cast<systems*>(sysIt.next())) {
        DbIter it;
        it.iterInit(NETWORK, db);
        for (auto* n = static_cast<network*>(it.current()); n != nullptr; n = static_cast<network*>(it.next())) {
            if (!Same(n->sysName(), s->sysName())) continue;
            std::fprintf(out, "\t%-15s(%s,%s", n->sysName(), cfgstore::RecordText(n->device), convtype(n->type));
            std::fprintf(out, ",%s,%s)\n", n->getstate(), convbaud(n->ttybaud));
        }
    }
}

void network::dbgDump(std::FILE* out, const network* n) {
    std::fprintf(out, "otherSys=%s, commDev=%s\n", n->sysName(), cfgstore::RecordText(n->device));
}

void network::set_all_sync() { All_sync = 1; }

int network::broadcastUpdate(DbMgr* db, char command, const char* sys, const char* dev, nettype t, int baud, int prio,
                             int hbI, int hbM, mxrstatus_t status) {
    if (db == nullptr) return -1;
    if (command != 'a' && command != 'c' && command != 'f') return -2;
    const char letters[2] = {command, '\0'};
    std::string key = std::string(sys ? sys : "") + '\x01' + (dev ? dev : "") + '\x01' + static_cast<char>(t);
    if (command == 'c') return CacheUpdateFrame::Send(db, 'B', letters, key.c_str(), nullptr);
    char body[80];
    std::snprintf(body, sizeof body, "%d\x01%d\x01%d\x01%d\x01%d", baud, prio, hbI, hbM, static_cast<int>(status));
    return CacheUpdateFrame::Send(db, 'B', letters, key.c_str(), body);
}

int network::updateCache(char* record) {
    CacheUpdateFrame::Record r;
    if (int rc = CacheUpdateFrame::Parse(record, "acf", &r); rc != 0) return rc;
    char* sys = r.rest;
    char* sep = std::strchr(sys, '\x01');
    if (sep == nullptr) return -7;
    *sep = '\0';
    char* dev = sep + 1;
    sep = std::strchr(dev, '\x01');
    if (sep == nullptr || sep[1] == '\0' || sep[1] == '0' || sep[1] == '\x01') return -8;
    *sep = '\0';
    const nettype t = static_cast<unsigned char>(sep[1]);
    int nums[5] = {};
    if (r.command != 'c') {
        char* p = sep[2] == '\x01' ? sep + 3 : nullptr;
        for (int i = 0; i < 5 && p != nullptr; ++i) {
            nums[i] = std::atoi(p);
            p = std::strchr(p, '\x01');
            if (p) ++p;
        }
    }
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(r.dbName, -1, 1000, 0);
    // Only copies follow records: no peer changes the local database.
    if (db == nullptr || db->islocal()) return -11;
    int rc = 0;
    if (r.command == 'a') {
        network* n = alloc(db);
        if (n == nullptr) {
            rc = -9;
        } else if (cfgstore::SetRecordText(db, &n->system, sys) != 0 ||
                   cfgstore::SetRecordText(db, &n->device, dev) != 0 || !DeviceOk(dev)) {
            n->destroy();
            rc = -9;
        } else {
            n->type = t;
            n->ttybaud = nums[0];
            n->priority = nums[1];
            n->hbInterval = nums[2];
            n->hbMaxMiss = nums[3];
            n->netstat = nums[4] != 0 ? MXRNET_ALIVE : MXRNET_FAILED;
        }
    } else {
        network* found = nullptr;
        DbIter it;
        it.iterInit(NETWORK, db);
        for (auto* n = static_cast<network*>(it.current()); n != nullptr && found == nullptr;
             n = static_cast<network*>(it.next()))
            if (Same(n->sysName(), sys) && Same(cfgstore::RecordText(n->device), dev) && n->type == t) found = n;
        if (found == nullptr) {
            rc = -10;
        } else if (r.command == 'c') {
            found->destroy();
        } else {
            found->netstat = nums[4] != 0 ? MXRNET_ALIVE : MXRNET_FAILED;
            found->ttybaud = nums[0];
            found->priority = nums[1];
            found->hbInterval = nums[2];
            found->hbMaxMiss = nums[3];
        }
    }
    db->applyStamp(r.before, r.after);
    return rc;
}

extern "C" int should_recover(char*) { return 1; }
extern "C" int multi_should_recover(char*, int, char**) { return 0; }
