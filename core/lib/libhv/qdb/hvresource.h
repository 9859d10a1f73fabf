// A resource instance: one protected resource on one system, an instance of
// a resource type of an application, known by a tag and by an identifier,
// both unique in its database. The record lives in the database's pages
// (storage type RESOURCE); the database's instance list (DbMgr::roots, a
// ShmList keyed by tag) holds every instance. Instances form hierarchies
// through their dependency lists: an instance depends on the instances
// below it.
#pragma once

#include "QdbShmLayout.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Message.h"

class DbMgr;
class elist;
class resource_type;

// Instance states: '0' ILLSTATE, 'u' OSU, 'f' OSF, 'i' ISU, 'p' ISP.
using state = std::int32_t;
// Initialization types: '0' ILLINIT, 'E' SEC_ISP, 'T' AUTOSEC_ISP,
// 'A' AUTORES_ISP, 'I' INIT_ISP, 's' INIT_OSU.
using init_type = std::int32_t;
// Reservation codes: '0' none, 'F', 'D', 'M', 'S', 'R'.
using qdbresrv_t = std::int32_t;
// Cache-update commands 'a', 'c', 'f' and the instance fields 'I', 'f',
// 'i', 's' of a field change.
using mcommands_t = char;
using minsfields_t = char;

inline constexpr state ILLSTATE = '0';
inline constexpr state OSU = 'u';
inline constexpr state OSF = 'f';
inline constexpr state ISU = 'i';
inline constexpr state ISP = 'p';
inline constexpr init_type ILLINIT = '0';
inline constexpr init_type SEC_ISP = 'E';
inline constexpr init_type AUTOSEC_ISP = 'T';
inline constexpr init_type AUTORES_ISP = 'A';
inline constexpr init_type INIT_ISP = 'I';
inline constexpr init_type INIT_OSU = 's';
inline constexpr qdbresrv_t QDBRESRV_NONE = '0';

// Whether a letter is one of the defined states (ILLSTATE is none of them).
inline constexpr bool IsInstanceState(int s) { return s == OSU || s == OSF || s == ISU || s == ISP; }
// Whether a letter is one of the defined initialization types (ILLINIT is none).
inline constexpr bool IsInitType(int i) {
    return i == SEC_ISP || i == AUTOSEC_ISP || i == AUTORES_ISP || i == INIT_ISP || i == INIT_OSU;
}

extern "C" {
// 0 posted, 1 ignored (posted within the time-out), 2 no instance with that
// identifier in the local database, -1 error. A negative time-out means
// EVENTIGNPERIOD.
int post_event(const char* id, const char* evclass, const char* evtype, int timeout);
int clear_events(const char* id);
// With a null instance the instance is found by the identifier and a head
// line comes first. buf must hold the text. 0 or -1.
int list_events(void* instance, const char* id, char* buf);
// 1 the hierarchy holding tag is the primary side of a SHARED equivalency,
// 0 the secondary side, -1 error; the other system's name goes to buf.
int is_on_primary(const char* tag, char* buf);

// Creating an instance and changing its fields, here or on another system
// (forwarded). 0 or -1.
int ins_create(const char* system, const char* app, const char* typ, int init, const char* tag, const char* id,
               const char* info);
int ins_setid(const char* system, const char* tag, const char* id);
int ins_setinfo(const char* system, const char* tag, const char* info);
int ins_setstate(const char* system, const char* tag, int st, const char* reason);
int ins_setinit(const char* system, const char* tag, int init);
// Writes the instances file of every changed type. 0 or -1.
int res_sync(const char* system);
}

class hvresource {
public:
    qdbshm::ElemHeader h;  // RESOURCE, owning database
    ShmOff tagOff;
    ShmOff appOff;
    ShmOff typOff;
    ShmOff idOff;           // null: never created
    ShmOff infoOff;
    ShmOff descrOff;        // reason of the last state change
    ShmOff eventsOff;       // first elist
    ShmOff typeRecOff;      // resource_type
    ShmOff depsOff;         // ShmList of dependency records (this one depends on their lower instances)
    std::int32_t resrvpgid;
    std::int32_t resrvpid;
    state resstate;
    init_type inittype;
    qdbresrv_t resrvtype;
    std::uint16_t scratch1;
    std::uint16_t scratch2;
    std::uint8_t marks[6];  // 'i', 'r', 'v', 'l', 'f', 'd'
    std::uint8_t pad[2];

    static void* operator new(std::size_t size, DbMgr& db) noexcept;
    static void operator delete(void* p);
    static void operator delete(void* p, DbMgr& db);
    hvresource();
    ~hvresource();
    // Sets state, init type and reservation to '0', the reservation ids,
    // events, scratch words and the marks 'r' to 'd' to zero.
    void initresource();

    // Defines the instance in its database (Data model of the table line).
    // remReq nonzero: a copy's instance made from another system's record.
    int create(char* dbname, const char* app, const char* typ, init_type init, char* tag, const char* id,
               const char* info, int remReq);
    // Creates one instance per table line into dbname's database. With app
    // and typ null each line starts with its application and type. remote
    // nonzero applies the state fields of the line. 0 or -1.
    static int createmany(char* dbname, const char* app, const char* typ, resource_type* type, char* lines,
                          int remote);
    // Loads every type's instances file of the local database.
    static int ins_readall();
    // The table line of this instance, appended to out (with the
    // application and type first when withAppTyp).
    void getrec(std::string& out, bool withAppTyp = false) const;

    const char* sys() const;
    const char* tag() const;
    const char* app() const;
    const char* typ() const;
    const char* id() const;
    const char* info() const;
    const char* get_statedescr() const;
    state get_state() const { return resstate; }
    init_type get_inittype() const { return inittype; }
    elist* get_events_posted() const;
    int get_resrvpid() const { return resrvpid; }
    int get_resrvpgid() const { return resrvpgid; }
    qdbresrv_t get_resrvtype() const { return resrvtype; }
    DbMgr* owner() const;
    bool created() const { return idOff >= 0; }

    int set_id(const char* id);
    int set_info(const char* info);
    int set_inittype(init_type init);
    // The one way a state changes (the SHARED and COMMON rules included).
    int privset_state(char* exclsys, char* excltag, state newstate, const char* reason);
    // Whether the SHARED rule lets this instance take newstate, as
    // privset_state asks it: 0, or -1 with the refusal reported (921, 922).
    int check_shared_rule(state newstate) const;
    int set_below_state(const char* tag, state newstate, const char* reason);
    static int set_all_state(const char* tag, state newstate, const char* reason);
    // Sends this state to the other side of every COMMON equivalency but
    // (exclsys, excltag). 0 or -1 when a send failed.
    int common_copy(const char* exclsys, const char* excltag, state newstate, const char* reason);
    // The state of tag in system's database ('0' when not found; code 9
    // left when the system cannot be reached).
    static state remotestate(const char* system, const char* tag);
    static hvresource* findins(int prmes, char* tag, const char* id, const char* system);
    // The instance in db (by tag, else by identifier), without a report.
    static hvresource* findres(DbMgr* db, const char* tag, const char* id);

    // Marks ('i', 'r', 'v', 'l', 'f', 'd'; 'D' is 'd' and 'r').
    std::uint8_t mark(char which) const;
    void setmark(char which, std::uint8_t value);
    void clearamark(char which, std::uint8_t value);
    static void clear_a_mark(char which, std::uint8_t value);
    void clearmark();
    void clearmarks();
    static void clearmark(ShmOff list);
    static void clearmarks(ShmOff list);

    // The instances this one depends on, in list order.
    std::vector<hvresource*> below() const;
    // The instances of db's instance list, in list order.
    static std::vector<hvresource*> listed(DbMgr* db);

    // Start-up of every instance (after the tables are loaded).
    static int initallres();
    void initstate();
    int initres(int flag);
    hvresource* initdepcheck();
    int check_equivalency(const char* ps, const char* pt, const char* ss, const char* st, int is_primary,
                          const char* os, const char* ot);
    int make_primary_if_isp();
    static int all_primary_if_isp();
    // 1 primary, 0 secondary, -1 no SHARED equivalency met in the walk.
    int am_i_on_primary(const char* tag, char* buf, bool* sawTag);

    // Cache updates of one change of the local database db.
    static int broadcastUpdate(mcommands_t cmd, minsfields_t field, DbMgr* db, const char* tag, const char* app,
                               const char* typ, const char* id, const char* info, init_type init, state st,
                               const char* reason);
    // Applies one received record (after 'E' and 'j').
    static int updateCache(char* text);

    // Removes the types of an application (all when type is null) from the
    // local database, their instances and directories with them.
    static int privtyp_remove(const char* dbsys, const char* application, const char* type);
    static int ins_remthis(const char* destsys, const char* record);

    // Reservations: claims on hierarchies for an action, by process and
    // process group. 0 reserved (or nothing to reserve), -1 failed.
    static int reserve_resources(const char* stoptags, qdbresrv_t type);
    // Clears every reservation that process pid holds. 0 or -1.
    static int clear_reservations(long pid);
    int clear_reservation(long pid);
    // Whether this process (or its group) may clear the reservation that
    // clear_reservation(pid) would: 0, or -1 with the refusal reported (901).
    int check_reservation(long pid) const;
    // 1 when not reserved; else 0 and buf gets "RESERVED to ...".
    int reserve_status(char* buf) const;
    static const char* convresrv(qdbresrv_t type);

    static const char* convstate(state s);
    static const char* convinit(init_type i);
    static bool in_service(state s) { return s == ISU || s == ISP; }

    void print(int n, const char* text) const;
    void printtree() const;
    void printres(int depth) const;
    void dbgDump() const;

    // Sets the type's and the database's instances-changed flags (local
    // database only).
    void changed();
};
static_assert(sizeof(hvresource) == 76);

// The daemon's handler of a COMMON state copy (the text of an 'E' 'f'
// request from its 'C' on): answers the requester at once, then removes,
// restores or sets the local instance. 0 or -1.
int updatestate_common(const MessagePtr& request, char* text);
static_assert(offsetof(hvresource, tagOff) == 8);
static_assert(offsetof(hvresource, eventsOff) == 32);
static_assert(offsetof(hvresource, depsOff) == 40);
static_assert(offsetof(hvresource, resrvpgid) == 44);
static_assert(offsetof(hvresource, resstate) == 52);
static_assert(offsetof(hvresource, resrvtype) == 60);
static_assert(offsetof(hvresource, scratch1) == 64);
static_assert(offsetof(hvresource, marks) == 68);
