// What the consoles and the GUI utility library ask of the configuration
// database, as one small interface: the real one (QdbConsoleDatabase) calls
// the database library, the fake (FakeConsoleDatabase) keeps tables in
// memory. Lists come back as record strings whose fields are joined by
// kRecordSeparator; the error number and text are the calling thread's own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace panelaid {

using Records = std::vector<std::string>;

inline constexpr char kRecordSeparator = '\x01';

// A database's time stamp; two stamps are equal when both words are.
struct DbStamp {
    std::uint32_t seconds = 0;
    std::uint32_t counter = 0;
    bool operator==(const DbStamp&) const = default;
};

// dep_list's relation.
enum class Relation { Parents = 0, Children = 1, Descendants = 2, Ancestors = 3 };

// ins_list's arguments; null means "any". start " " lists the roots.
struct InstanceQuery {
    const char* start = nullptr;
    const char* application = nullptr;
    const char* type = nullptr;
    const char* tag = nullptr;
    const char* id = nullptr;
};

struct PathDefinition {
    std::string system;   // the other system
    std::string device;   // "TCPIP:1500", "/dev/ttyS0" ...
    char type = 'l';      // 'l' socket, 'y' serial, 's' shared disk
    int baud = 0;
    int priority = 1;
    int heartbeatInterval = 2;
    int maxMisses = 5;
};

class ConsoleDatabase {
public:
    virtual ~ConsoleDatabase() = default;

    // List calls: true with the records; false when nothing matched, with the
    // thread's error state set. `machine` null is the local database.
    virtual bool SystemList(const char* machine, Records* out) = 0;
    virtual bool InstanceList(const char* machine, const InstanceQuery& query, Records* out) = 0;
    virtual bool DependencyList(const char* machine, const char* tag, Relation which, Records* out) = 0;
    // type: 'S', 'C', 'c' or 0 for any.
    virtual bool EquivalencyList(const char* machine, const char* systemFilter, const char* tagFilter, int type,
                                 Records* out) = 0;
    virtual bool NetworkList(const char* machine, const char* destination, Records* out) = 0;
    virtual bool FlagList(const char* machine, Records* out) = 0;

    // 'A', 'D', 'U' or '0'.
    virtual int SystemState(const char* machine, const char* name) = 0;
    // 1 set, 0 not, -1 bad input.
    virtual int FlagTest(const char* machine, const char* flag) = 0;

    // Changes: 0, or nonzero with the thread's error state set.
    virtual int SystemCreate(const char* machine, const char* name) = 0;
    virtual int SystemRemove(const char* machine, const char* name) = 0;
    // state 'A', 'D' or 'U'; no description.
    virtual int SystemSetState(const char* machine, const char* name, int state) = 0;
    virtual int DependencyCreate(const char* machine, const char* parent, const char* child) = 0;
    virtual int DependencyRemove(const char* machine, const char* parent, const char* child) = 0;
    virtual int NetworkCreate(const char* machine, const PathDefinition& path) = 0;
    virtual int NetworkRemove(const char* machine, const char* system, const char* device) = 0;
    virtual int FlagCreate(const char* machine, const char* flag) = 0;
    virtual int FlagRemove(const char* machine, const char* flag) = 0;
    virtual int ApplicationCreate(const char* machine, const char* application) = 0;
    virtual int TypeCreate(const char* machine, const char* application, const char* type) = 0;
    virtual int Sync(const char* machine) = 0;

    virtual DbStamp Stamp(const char* machine) = 0;
    // The local system's name; the installation root without a trailing '/';
    // whether the database daemon is still bringing the resources up.
    virtual std::string LocalName() = 0;
    virtual std::string RootDir() = 0;
    virtual bool Initializing() = 0;

    // The calling thread's error: its number, its text ("" and false when
    // there is none), and clearing both.
    virtual int ErrorNumber() = 0;
    virtual bool ErrorText(std::string* text) = 0;
    virtual void ClearError() = 0;
};

// The fields of one record, numbered from 0 here (field n of the record is
// element n - 1).
std::vector<std::string> SplitRecord(const std::string& record, char separator = kRecordSeparator);

}  // namespace panelaid
