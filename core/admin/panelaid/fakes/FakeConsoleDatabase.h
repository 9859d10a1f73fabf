// ConsoleDatabase in memory, one set of tables per system's database: the
// tests fill the tables, every change moves that database's stamp, and any
// operation can be made to fail with a chosen error number and text, which
// (as in the real library) belong to the calling thread.
#pragma once

#include "ConsoleDatabase.h"

#include <map>
#include <mutex>
#include <set>

namespace panelaid {

class FakeConsoleDatabase : public ConsoleDatabase {
public:
    enum class Op {
        SystemList, InstanceList, DependencyList, EquivalencyList, NetworkList, FlagList,
        SystemState, FlagTest, SystemCreate, SystemRemove, DependencyCreate, DependencyRemove,
        NetworkCreate, NetworkRemove, FlagCreate, FlagRemove, ApplicationCreate, TypeCreate, Sync, Stamp,
        SystemSetState,
    };

    struct Instance {
        std::string application = "app";
        std::string type = "type";
        std::string tag;
        std::string id;
        std::string state = "ISP";
        std::string info;
    };

    explicit FakeConsoleDatabase(std::string localName = "NODE1", std::string root = "/nonexistent");

    // Set-up; machine "" is the local database.
    void AddSystem(const std::string& machine, const std::string& name, char state = 'A');
    void AddInstance(const std::string& machine, const Instance& instance);
    // Removes the instance and every dependency that names it.
    void RemoveInstance(const std::string& machine, const std::string& tag);
    void SetInstanceState(const std::string& machine, const std::string& tag, const std::string& state);
    void AddDependency(const std::string& machine, const std::string& parent, const std::string& child);
    void AddEquivalency(const std::string& machine, const std::string& primarySystem, const std::string& primaryTag,
                        const std::string& secondarySystem, const std::string& secondaryTag, char type = 'S');
    void AddPath(const std::string& machine, const PathDefinition& path, const std::string& state = "ALIVE");
    void SetInitializing(bool on) { initializing_ = on; }
    void SetRootDir(const std::string& root) { root_ = root; }

    // The next `times` calls of op fail with that error number and text.
    void FailNext(Op op, int errorNumber, const std::string& text = "", int times = 1);
    int Calls(Op op) const;
    // Sets the calling thread's error as a failed call would.
    static void SetThreadError(int errorNumber, const std::string& text);

    bool SystemList(const char* machine, Records* out) override;
    bool InstanceList(const char* machine, const InstanceQuery& query, Records* out) override;
    bool DependencyList(const char* machine, const char* tag, Relation which, Records* out) override;
    bool EquivalencyList(const char* machine, const char* systemFilter, const char* tagFilter, int type,
                         Records* out) override;
    bool NetworkList(const char* machine, const char* destination, Records* out) override;
    bool FlagList(const char* machine, Records* out) override;
    int SystemState(const char* machine, const char* name) override;
    int FlagTest(const char* machine, const char* flag) override;
    int SystemCreate(const char* machine, const char* name) override;
    int SystemSetState(const char* machine, const char* name, int state) override;
    int SystemRemove(const char* machine, const char* name) override;
    int DependencyCreate(const char* machine, const char* parent, const char* child) override;
    int DependencyRemove(const char* machine, const char* parent, const char* child) override;
    int NetworkCreate(const char* machine, const PathDefinition& path) override;
    int NetworkRemove(const char* machine, const char* system, const char* device) override;
    int FlagCreate(const char* machine, const char* flag) override;
    int FlagRemove(const char* machine, const char* flag) override;
    int ApplicationCreate(const char* machine, const char* application) override;
    int TypeCreate(const char* machine, const char* application, const char* type) override;
    int Sync(const char* machine) override;
    DbStamp Stamp(const char* machine) override;
    std::string LocalName() override { return localName_; }
    std::string RootDir() override { return root_; }
    bool Initializing() override { return initializing_; }
    int ErrorNumber() override;
    bool ErrorText(std::string* text) override;
    void ClearError() override;

private:
    struct Path {
        PathDefinition def;
        std::string state;
    };
    struct Tables {
        std::map<std::string, char> systems;  // name -> state, in name order
        std::vector<std::string> systemOrder;
        std::vector<Instance> instances;
        std::vector<std::pair<std::string, std::string>> dependencies;
        std::vector<std::vector<std::string>> equivalencies;
        std::vector<Path> paths;
        std::set<std::string> flags;
        std::set<std::string> applications;
        std::set<std::pair<std::string, std::string>> types;
        DbStamp stamp{1, 0};
    };

    // Counts the call; true (error set) when it is to fail.
    bool Failing(Op op);
    Tables& Db(const char* machine);
    Tables& DbLocked(const std::string& machine);
    void Changed(Tables& t);
    bool Nothing(const char* what);
    static std::string InstanceRecord(const std::string& system, const Instance& i);
    std::vector<std::string> Related(Tables& t, const std::string& tag, Relation which);

    mutable std::mutex mutex_;
    std::string localName_;
    std::string root_;
    bool initializing_ = false;
    std::map<std::string, Tables> dbs_;
    struct Failure {
        int errorNumber;
        std::string text;
        int times;
    };
    std::map<Op, Failure> failures_;
    std::map<Op, int> calls_;
};

}  // namespace panelaid
