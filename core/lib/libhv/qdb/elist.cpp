#include "elist.h"

#include "DbMgr.h"
#include "ShmMgr.h"
#include "TableRecord.h"
#include "qdberr.h"
#include "qdbpaths.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

std::time_t SystemClock() { return std::time(nullptr); }
std::atomic<elist::Clock> g_clock{SystemClock};

elist* EventAt(ShmOff off) {
    auto* e = QdbPages().at<elist>(off);
    return e != nullptr && e->h.tag == ELIST ? e : nullptr;
}

// The bound of every walk along a chain.
std::int32_t MaxEvents() {
    return QdbPages().pagesAllocated() * (qdbshm::kPageData / static_cast<std::int32_t>(sizeof(elist)));
}

template <class Fn>
void ForEachEvent(ShmOff head, Fn fn) {
    std::int32_t steps = 0;
    for (elist* e = EventAt(head); e != nullptr && ++steps <= MaxEvents(); e = EventAt(e->frwd)) fn(e);
}

}  // namespace

void elist::setClock(Clock clock) { g_clock.store(clock ? clock : SystemClock); }
std::time_t elist::now() { return g_clock.load()(); }

void* elist::operator new(std::size_t size, DbMgr& db) noexcept {
    return db.mem().getFreeElem(static_cast<std::int32_t>(size), ELIST, nullptr);
}

void elist::operator delete(void* p) {
    if (p == nullptr || !QdbPages().checkFree(p, ELIST, "elist", 955, 551)) return;
    cfgstore::FreeRecord(p);
}

void elist::operator delete(void* p, DbMgr&) { operator delete(p); }

elist::elist() : frwd(kNullOff), bkwd(kNullOff), evclass(kNullOff), evtype(kNullOff), timout(0), posttime(0) {}

elist::~elist() {
    cfgstore::ClearRecordText(&evclass);
    cfgstore::ClearRecordText(&evtype);
}

elist* elist::get_frwd() const { return EventAt(frwd); }
const char* elist::get_post_class() const { return cfgstore::RecordText(evclass); }
const char* elist::get_post_type() const { return cfgstore::RecordText(evtype); }

int elist::addevent(DbMgr* db, ShmOff* head, const char* cls, const char* typ, int timeout, long post) {
    if (db == nullptr || head == nullptr) return -1;
    elist* e = new (*db) elist();
    if (e == nullptr) return hv_err(__FILE__, __LINE__, 23, 886, QDB_INT, "no room for event %s:%s", cls, typ);
    if (cfgstore::SetRecordText(db, &e->evclass, cls, true) != 0 || cfgstore::SetRecordText(db, &e->evtype, typ, true) != 0) {
        delete e;
        return hv_err(__FILE__, __LINE__, 23, 886, QDB_INT, "no room for event %s:%s", cls, typ);
    }
    e->timout = timeout;
    e->posttime = static_cast<std::uint32_t>(post);
    const ShmOff self = QdbPages().offOf(e);
    e->frwd = *head;
    if (elist* old = EventAt(*head)) old->bkwd = self;
    *head = self;
    return 0;
}

int elist::postevent(DbMgr* db, ShmOff* head, const char* cls, const char* typ, int timeout) {
    if (timeout < 0) timeout = static_cast<int>(pQdb_event_ign_period);
    const std::time_t t = now();
    elist* match = nullptr;
    ForEachEvent(*head, [&](elist* e) {
        if (match == nullptr && std::strcmp(e->get_post_class(), cls) == 0 && std::strcmp(e->get_post_type(), typ) == 0)
            match = e;
    });
    if (match != nullptr) {
        // Unsigned seconds: a post time ahead of the clock counts as now.
        if (static_cast<long long>(match->posttime) + timeout > static_cast<long long>(t)) return 1;
        match->posttime = static_cast<std::uint32_t>(t);
        match->timout = timeout;
        return 0;
    }
    return addevent(db, head, cls, typ, timeout, static_cast<long>(t));
}

void elist::clearevents(ShmOff* head) {
    std::vector<elist*> all;
    ForEachEvent(*head, [&](elist* e) { all.push_back(e); });
    *head = kNullOff;
    for (elist* e : all) delete e;
}

int elist::listevents(const ShmOff* head, std::string& out) {
    if (head == nullptr) return hv_err(__FILE__, __LINE__, 23, 886, QDB_ARGS, "list pointer is NULL");
    const std::time_t t = now();
    ForEachEvent(*head, [&](elist* e) {
        std::time_t posted = e->get_post_time();
        std::tm tmv {};
        ::localtime_r(&posted, &tmv);
        char when[32];
        std::strftime(when, sizeof when, "%a %b %d %H:%M:%S %Y", &tmv);
        const long long since = static_cast<long long>(t) - static_cast<long long>(posted);
        char suffix[64] = ".";
        if (since <= e->timout)
            std::snprintf(suffix, sizeof suffix, " ignored for %u secs.", static_cast<unsigned>(e->timout - since));
        char line[1200];
        std::snprintf(line, sizeof line, "\tevent \"%s:%s\" at %s%s\n", e->get_post_class(), e->get_post_type(), when,
                      suffix);
        out += line;
    });
    return 0;
}

void elist::getevents(const ShmOff* head, std::string& out) {
    bool first = true;
    ForEachEvent(*head, [&](elist* e) {
        if (!first) out += '\x02';
        first = false;
        out += e->get_post_class();
        out += '\x02';
        out += e->get_post_type();
        out += '\x02';
        out += std::to_string(e->posttime);
        out += '\x02';
        out += std::to_string(e->timout);
    });
}

namespace {

// The next piece of an events text (up to 0x02, newline or the end); null
// when none is left.
char* NextPiece(char** p) {
    if (*p == nullptr) return nullptr;
    char* start = *p;
    char* end = start + std::strcspn(start, "\x02\n");
    *p = *end != '\0' ? end + 1 : nullptr;
    *end = '\0';
    return start;
}

bool ParseNumber(const char* text, long long lo, long long hi, long long* out) {
    char* end = nullptr;
    const long long v = std::strtoll(text, &end, 10);
    if (end == text || *end != '\0' || v < lo || v > hi) return false;
    *out = v;
    return true;
}

}  // namespace

int elist::addevents(DbMgr* db, ShmOff* head, char* text) {
    // The chain is built newest first: the groups are added in reverse so
    // that a text read back lists the events in the order it was written.
    struct Group {
        const char *cls, *typ;
        long long post, timeout;
    };
    std::vector<Group> groups;
    for (char* p = text; p != nullptr && *p != '\0';) {
        char* c = NextPiece(&p);
        char* t = NextPiece(&p);
        char* when = NextPiece(&p);
        char* to = NextPiece(&p);
        if (c == nullptr || t == nullptr || when == nullptr || to == nullptr || !*c || !*t || !*when || !*to) break;
        Group g{c, t, 0, 0};
        if (!ParseNumber(when, 0, 0xFFFFFFFFLL, &g.post) || !ParseNumber(to, -0x7FFFFFFFLL, 0x7FFFFFFFLL, &g.timeout))
            break;
        groups.push_back(g);
    }
    for (auto it = groups.rbegin(); it != groups.rend(); ++it)
        if (addevent(db, head, it->cls, it->typ, static_cast<int>(it->timeout), static_cast<long>(it->post)) != 0)
            return -1;
    return 0;
}
