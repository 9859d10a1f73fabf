// The recovery events posted for one resource instance: a doubly linked
// chain of ELIST elements in the instance's database, newest first. An
// event of the same class and type posted again within its time-out is
// ignored, so a burst of one failure starts one recovery.
#pragma once

#include "QdbShmLayout.h"

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

class DbMgr;

class elist {
public:
    qdbshm::ElemHeader h;  // ELIST, owning database
    ShmOff frwd;           // next (older) event, -1 at the end
    ShmOff bkwd;           // previous (newer) event, -1 at the head
    ShmOff evclass;        // ShmStr
    ShmOff evtype;         // ShmStr
    std::int32_t timout;   // seconds
    std::uint32_t posttime;  // seconds since 1970

    static void* operator new(std::size_t size, DbMgr& db) noexcept;
    static void operator delete(void* p);
    static void operator delete(void* p, DbMgr& db);
    elist();
    ~elist();

    elist* get_frwd() const;
    const char* get_post_class() const;
    const char* get_post_type() const;
    std::time_t get_post_time() const { return static_cast<std::time_t>(posttime); }
    int get_timout() const { return timout; }

    // *head is the instance's events link. A negative time-out means
    // EVENTIGNPERIOD. 0 posted, 1 ignored (the same event within its
    // time-out), -1 no room.
    static int postevent(DbMgr* db, ShmOff* head, const char* evclass, const char* evtype, int timeout);
    // Frees every event of the chain.
    static void clearevents(ShmOff* head);
    // One "\tevent \"<class>:<type>\" at <time><suffix>\n" line per event
    // appended to out. 0, or -1 for a null link (886).
    static int listevents(const ShmOff* head, std::string& out);
    // A new event at the front with the given post time. 0 or -1.
    static int addevent(DbMgr* db, ShmOff* head, const char* evclass, const char* evtype, int timeout, long posttime);
    // The events as text: class, type, post time and time-out of each,
    // every field followed by 0x02 but the last.
    static void getevents(const ShmOff* head, std::string& out);
    // Reads getevents' text (0x02 or newline between fields) and adds each
    // complete group; stops at the first empty or missing piece. 0 or -1.
    static int addevents(DbMgr* db, ShmOff* head, char* text);

    // The clock of the ignore window (tests replace it); null restores the
    // system clock.
    using Clock = std::time_t (*)();
    static void setClock(Clock clock);
    static std::time_t now();
};
static_assert(sizeof(elist) == 32);
static_assert(offsetof(elist, frwd) == 8);
static_assert(offsetof(elist, evclass) == 16);
static_assert(offsetof(elist, timout) == 24);
static_assert(offsetof(elist, posttime) == 28);
