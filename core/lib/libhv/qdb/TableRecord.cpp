#include "TableRecord.h"

#include "AutoQdbLock.h"
#include "ShmMgr.h"
#include "qdbfile.h"
#include "qdberr.h"
#include "qdbpaths.h"

#include <cstdio>
#include <cstring>

#include "platform/EventLog.h"

namespace cfgstore {

DbMgr* OwnerDb(const qdbshm::ElemHeader& h) {
    if (h.owner <= 0) return nullptr;
    auto* db = QdbPages().at<DbMgr>(h.owner);
    return db != nullptr && db->h.tag == DBMGR ? db : nullptr;
}

void* NewRecord(DbMgr* db, std::int32_t size, std::int32_t type) {
    if (db == nullptr) return nullptr;
    char* p = static_cast<char*>(db->mem().getFreeElem(size, type, nullptr));
    if (p != nullptr) std::memset(p + sizeof(qdbshm::ElemHeader), 0, static_cast<std::size_t>(size) - sizeof(qdbshm::ElemHeader));
    return p;
}

int FreeRecord(void* elem) {
    auto* h = static_cast<qdbshm::ElemHeader*>(elem);
    MemMgr mem(QdbPages(), nullptr, 0);
    if (!OwnerMem(h->owner, &mem)) return -1;
    return mem.putFreeElem(elem) < 0 ? -1 : 0;
}

int SetRecordText(DbMgr* db, ShmOff* slot, const char* text, bool keepEmpty) {
    ClearRecordText(slot);
    if (text == nullptr || (*text == '\0' && !keepEmpty)) return 0;
    return ShmStr::create(db->mem(), text, slot) ? 0 : -1;
}

void ClearRecordText(ShmOff* slot) {
    if (auto* s = const_cast<ShmStr*>(ShmStrAt(*slot))) ShmStr::destroy(s);
    *slot = kNullOff;
}

const char* RecordText(ShmOff off) {
    const ShmStr* s = ShmStrAt(off);
    return s ? s->str() : "";
}

DbMgr* SystemDb(AutoQdbLock& lk, const char* system, int msgnum) {
    DbMgr* db = lk.getDbMgr(IsLocalSystem(system) ? nullptr : system, -1, 1000, 1);
    if (db == nullptr)
        hv_err(__FILE__, __LINE__, 23, msgnum, QDB_NOEXIST, "System not found: \"%s\"", system ? system : "");
    return db;
}

std::vector<const char*> Texts(const std::vector<std::string>& strings) {
    std::vector<const char*> out;
    out.reserve(strings.size());
    for (const std::string& s : strings) out.push_back(s.c_str());
    return out;
}

char** NameList(const std::vector<const char*>& names) {
    if (names.empty()) return nullptr;
    auto** list = static_cast<char**>(qdbnalloc((names.size() + 1) * sizeof(char*)));
    for (std::size_t i = 0; i < names.size(); ++i) list[i] = qdbsavcpy(names[i]);
    list[names.size()] = nullptr;
    return list;
}

namespace {

void ReportRecord(const char* file, std::size_t line, const std::string& why) {
    const std::string text = std::string("qdb: table file ") + file + " line " + std::to_string(line) + ": " + why +
                             "; the record is skipped";
    std::fprintf(stderr, "%s\n", text.c_str());
    portlib::platform::ReportEventLog("Holdervane", portlib::platform::EventType::Warning, 23, 0, text);
}

// The first byte of a line no record may hold, or -1.
int ControlByteIn(const char* line, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(line[i]);
        if (c < 0x20 && c != 0x01 && c != 0x02 && c != '\t') return c;
        if (c == 0x7F) return c;
    }
    return -1;
}

}  // namespace

void LoadTableLines(const char* file, const char* text, std::size_t n, const std::function<int(char* line)>& load) {
    std::size_t lineNo = 0;
    for (std::size_t at = 0; at < n;) {
        const char* nl = static_cast<const char*>(std::memchr(text + at, '\n', n - at));
        const std::size_t end = nl != nullptr ? static_cast<std::size_t>(nl - text) : n;
        ++lineNo;
        std::string line(text + at, end - at);
        at = end + 1;
        if (line.empty()) continue;
        if (const int c = ControlByteIn(line.data(), line.size()); c >= 0) {
            char why[64];
            std::snprintf(why, sizeof why, "control byte 0x%02X in the record", c);
            ReportRecord(file, lineNo, why);
            continue;
        }
        qdberrclr();
        load(line.data());
        if (Qdb_errno != 0) {
            ReportRecord(file, lineNo, Qdb_errbuf != nullptr && *Qdb_errbuf ? Qdb_errbuf : "refused");
            qdberrclr();
        }
    }
}

int LoadTableFile(const char* path, int (*createmany)(const char* dbsys, char* text, int copy)) {
    std::vector<char> buf(kQdbReadMax);
    const int n = qdbreadfile(path, buf.data());
    if (n < 0) return -1;
    LoadTableLines(path, buf.data(), static_cast<std::size_t>(n),
                   [createmany](char* line) { return createmany(nullptr, line, 0); });
    return 0;
}

int WriteTableFile(int changedIndex, const char* file, void (*getall)(std::string&), int tooLargeMsg) {
    constexpr std::size_t kTableText = 500000;
    AUTO_QDB_LOCK(lk);
    if (lk.lock(-1) != 0) return -1;
    if (!pQdb_shgp->changed[changedIndex]) return 0;
    std::string text;
    getall(text);
    if (text.size() > kTableText) hv_err(__FILE__, __LINE__, 21, tooLargeMsg, "internal buffer too small");
    if (int rc = qdbwritefile(gps(kPathConfigDir), file, static_cast<int>(text.size()), text.c_str()); rc != 0)
        return rc;
    pQdb_shgp->changed[changedIndex] = 0;
    return 0;
}

bool IsLocalSystem(const char* name) {
    return name == nullptr || *name == '\0' || (pQdb_uname != nullptr && std::strcmp(name, pQdb_uname) == 0);
}

SavedError::SavedError() : errno_(Qdb_errno), text_(Qdb_errbuf) {
    Qdb_errbuf = nullptr;
    Qdb_errno = 0;
}

SavedError::~SavedError() {
    qdberrclr();
    Qdb_errno = errno_;
    Qdb_errbuf = text_;
}

}  // namespace cfgstore
