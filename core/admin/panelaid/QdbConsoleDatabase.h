// ConsoleDatabase on the configuration database library. The library's
// start-up runs once per process, at the first call.
#pragma once

#include "ConsoleDatabase.h"

namespace panelaid {

class QdbConsoleDatabase : public ConsoleDatabase {
public:
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
    std::string LocalName() override;
    std::string RootDir() override;
    bool Initializing() override;
    int ErrorNumber() override;
    bool ErrorText(std::string* text) override;
    void ClearError() override;
};

}  // namespace panelaid
