#include "CopyStaging.h"

#include "DbMgr.h"
#include "ShmList.h"
#include "ShmMgr.h"
#include "ShmStr.h"
#include "CrashPoint.h"
#include "QdbLock.h"
#include "qdberr.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

using namespace qdbshm;

namespace {

constexpr const char* kStagingSuffix = " (loading)";

std::int32_t Word(const char* p) {
    std::int32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// The elements of page p in use: (index, run length). A STRING head carries
// its run in the 16-bit word at offset 8; anything untrustworthy counts 1.
std::vector<std::pair<std::int32_t, std::int32_t>> UsedElements(const PageHeader* p) {
    std::vector<std::pair<std::int32_t, std::int32_t>> out;
    if (p->objSiz < kMinElemSize || p->objSiz > kPageData || p->freeCnt < 0) return out;
    const std::int32_t perPage = kPageData / p->objSiz;
    const char* first = reinterpret_cast<const char*>(p) + kPageHeaderSize;
    for (std::int32_t k = 0; k < perPage;) {
        const char* e = first + k * p->objSiz;
        std::int32_t run = 1;
        if (Word(e) != FREE) {
            if (p->type == STRING) {
                std::int16_t c;
                std::memcpy(&c, e + 8, sizeof c);
                run = c < 1 ? 1 : (c > perPage - k ? perPage - k : c);
            }
            out.emplace_back(k, run);
        }
        k += run;
    }
    return out;
}

// Every database of the segment (bounded walk of the manager's chain).
std::vector<DbMgr*> Databases() {
    std::vector<DbMgr*> out;
    MemMgr mgr = DbMgr::manager();
    std::int32_t page = -1, elem = -1;
    while (auto* db = static_cast<DbMgr*>(mgr.memNext(DBMGR, page, elem))) out.push_back(db);
    return out;
}

void Fault(std::string* report, int* count, const char* format, long a = 0, long b = 0) {
    ++*count;
    if (report == nullptr) return;
    char line[200];
    std::snprintf(line, sizeof line, format, a, b);
    *report += line;
    *report += '\n';
}

// Walks one chain: marks its pages as `owner`'s and checks each page's
// elements and free count.
void WalkChain(const ShmPages& pages, std::int32_t head, ShmOff owner, std::vector<ShmOff>* seen, std::string* report,
               int* faults) {
    const std::int32_t total = pages.pagesAllocated();
    std::int32_t steps = 0;
    for (std::int32_t n = head; n >= 0; n = pages.pgPtr(n)->next) {
        if (!pages.validPage(n) || ++steps > total) {
            Fault(report, faults, "chain of owner 0x%lx leaves the segment or loops at page %ld", owner, n);
            return;
        }
        if ((*seen)[n] != -2) {
            Fault(report, faults, "page %ld is in two chains (owner 0x%lx)", n, owner);
            return;
        }
        (*seen)[n] = owner;
        const PageHeader* p = pages.pgPtr(n);
        if (p->type == FREE || p->freeCnt < 0) continue;
        const auto used = UsedElements(p);
        std::int32_t inUse = 0;
        for (const auto& [idx, run] : used) {
            inUse += run;
            const char* e = reinterpret_cast<const char*>(p) + kPageHeaderSize + idx * p->objSiz;
            if (Word(e) != p->type && !(owner == 0 && p->type == DBMGR))
                Fault(report, faults, "element %ld of page %ld is not of its page's type", idx, n);
            if (Word(e + 4) != owner) Fault(report, faults, "element %ld of page %ld is owned by another database", idx, n);
        }
        if (p->freeCnt != kPageData / p->objSiz - inUse)
            Fault(report, faults, "page %ld counts %ld free elements that are not", n, p->freeCnt);
    }
}

// The instance list of db: bounded, sorted, each node an instance of db,
// one node per instance.
void WalkRoots(const ShmPages& pages, DbMgr* db, std::string* report, int* faults) {
    const ShmOff self = pages.offOf(db);
    const std::int32_t bound = pages.pagesAllocated() * (kPageData / kMinElemSize);
    std::int32_t nodes = 0;
    std::string previous;
    for (ShmOff at = db->roots; at >= 0;) {
        auto* node = pages.at<ShmList>(at);
        if (node == nullptr || node->h.tag != LIST || node->h.owner != self || ++nodes > bound) {
            Fault(report, faults, "instance list of database 0x%lx broken at 0x%lx", self, at);
            return;
        }
        auto* body = pages.at<ElemHeader>(node->body);
        if (body == nullptr || body->tag != RESOURCE || body->owner != self)
            Fault(report, faults, "instance list node 0x%lx names no instance of database 0x%lx", at, self);
        const char* key = node->keyText();
        const std::string k = key ? key : "";
        if (nodes > 1 && std::strcmp(previous.c_str(), k.c_str()) > 0)
            Fault(report, faults, "instance list of database 0x%lx out of order at 0x%lx", self, at);
        previous = k;
        at = node->next;
    }
    const std::int32_t instances = db->mem().objCnt(RESOURCE);
    if (instances != nodes) Fault(report, faults, "database holds %ld instances and lists %ld", instances, nodes);
}

}  // namespace

namespace cfgstore {

std::string StagingName(const char* system) { return std::string(system ? system : "") + kStagingSuffix; }

bool IsStagingName(const char* name) {
    const std::size_t n = name ? std::strlen(name) : 0, s = std::strlen(kStagingSuffix);
    return n > s && std::strcmp(name + n - s, kStagingSuffix) == 0;
}

namespace {

// Sets the owner word of every used element along the chain at head.
void Retag(std::int32_t head, ShmOff from, ShmOff to) {
    ShmPages pages = QdbPages();
    std::int32_t steps = 0;
    for (std::int32_t n = head; n >= 0 && pages.validPage(n) && ++steps <= pages.pagesAllocated();
         n = pages.pgPtr(n)->next) {
        PageHeader* p = pages.pgPtr(n);
        if (p->type == FREE) continue;
        for (const auto& [idx, run] : UsedElements(p)) {
            auto* h = reinterpret_cast<ElemHeader*>(reinterpret_cast<char*>(p) + kPageHeaderSize + idx * p->objSiz);
            if (from < 0 || h->owner == from) h->owner = to;
        }
    }
}

}  // namespace

void SwapInCopy(DbMgr* db, DbMgr* staging) {
    // The elements keep their places; only the owner word of each names the
    // database whose chain holds it. Retagged first: a holder killed before
    // the swap leaves a staging database that is freed whole.
    ShmPages pages = QdbPages();
    Retag(staging->pageChain, pages.offOf(staging), pages.offOf(db));
    CrashPoint("copy-swap");
    std::swap(db->pageChain, staging->pageChain);
    std::swap(db->roots, staging->roots);
    DbMgr::destroy(staging);
}

int WalkSegment(std::string* report) {
    int faults = 0;
    ShmPages pages = QdbPages();
    if (pages.base() == nullptr) return 0;
    std::vector<ShmOff> seen(static_cast<std::size_t>(pages.pagesAllocated()), -2);
    WalkChain(pages, pages.header()->usedList, 0, &seen, report, &faults);
    std::int32_t steps = 0;
    for (std::int32_t n = pages.header()->freeList; n >= 0; n = pages.pgPtr(n)->next) {
        if (!pages.validPage(n) || ++steps > pages.pagesAllocated() || seen[n] != -2) {
            Fault(report, &faults, "free-page pool broken at page %ld", n);
            break;
        }
        seen[n] = -1;
    }
    for (DbMgr* db : Databases()) {
        const char* name = db->dbName();
        if (name == nullptr) Fault(report, &faults, "database 0x%lx has no name", pages.offOf(db));
        if (IsStagingName(name)) Fault(report, &faults, "staging database 0x%lx left behind", pages.offOf(db));
        if (db->loading != 0) Fault(report, &faults, "database 0x%lx marked as being loaded", pages.offOf(db));
        WalkChain(pages, db->pageChain, pages.offOf(db), &seen, report, &faults);
        WalkRoots(pages, db, report, &faults);
    }
    for (std::size_t n = 0; n < seen.size(); ++n)
        if (seen[n] == -2) Fault(report, &faults, "page %ld is in no chain", static_cast<long>(n));
    return faults;
}

namespace {
// A lock abandoned before this process had the segment mapped: recovered
// once it is, still under that lock.
std::atomic<bool> g_recoveryPending{false};
}  // namespace

void RecoverIfPending() {
    if (pShmPtr != nullptr && g_recoveryPending.exchange(false)) RecoverAbandonedSegment();
}

int RecoverAbandonedSegment() {
    if (pShmPtr == nullptr) {
        g_recoveryPending.store(true);
        return 0;
    }
    ShmPages pages = QdbPages();
    std::vector<DbMgr*> interrupted;
    for (DbMgr* db : Databases()) {
        if (IsStagingName(db->dbName())) {
            DbMgr::destroy(db);
            continue;
        }
        if (db->loading != 0) interrupted.push_back(db);
        db->loading = 0;
        if (!db->islocal()) db->tStamp = QdbDbTime{0, 0};
    }
    // A copy whose load stopped in its swap: its chain is its own again; a
    // list that no longer holds together is dropped (the copy is loaded
    // again at its next use).
    for (DbMgr* db : interrupted) {
        Retag(db->pageChain, -1, pages.offOf(db));
        int broken = 0;
        WalkRoots(pages, db, nullptr, &broken);
        if (broken != 0) {
            db->mem().purge();
            db->roots = kNullOff;
        }
    }
    std::string report;
    const int faults = WalkSegment(&report);
    if (faults != 0)
        pxm_err(3, kMsgDatabaseLock, __FILE__, __LINE__, PXM_EVENTLOG, 0,
                "the database segment has %d faults after an abandoned lock:\n%s", faults, report.c_str());
    return faults;
}

}  // namespace cfgstore
