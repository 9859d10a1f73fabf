// The application status console's model over panelaid's fakes: a local
// database "SYSA", a host that records what the document asked of the
// window, and helpers that put hierarchies into the databases.
#pragma once

#include "CAPPSTATDoc.h"
#include "FakeConsoleDatabase.h"
#include "FakeMessageBoxes.h"
#include "FakeSettingsStore.h"
#include "FakeStatusDisplay.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace appstat {

class RecordingDocHost : public DocHost {
public:
    void UpdateAllViews() override { ++updates; }
    void SetWaitCursor(bool on) override { waitCursor.push_back(on); }
    void SetStatusText(const std::string& text) override { status.push_back(text); }
    void Beep() override { ++beeps; }

    int updates = 0;
    int beeps = 0;
    std::vector<bool> waitCursor;
    std::vector<std::string> status;
};

// The fake with lists the test writes by hand, record for record, in place
// of what the tables would give (null: the call fails as an empty list).
class ScriptedDatabase : public panelaid::FakeConsoleDatabase {
public:
    using FakeConsoleDatabase::FakeConsoleDatabase;

    bool InstanceList(const char* machine, const panelaid::InstanceQuery& query, panelaid::Records* out) override {
        const bool roots = query.start != nullptr && std::string(query.start) == " ";
        if (roots && rawRoots) return Raw(*rawRoots, out);
        if (!roots && rawInstances) return Raw(*rawInstances, out);
        return FakeConsoleDatabase::InstanceList(machine, query, out);
    }
    bool EquivalencyList(const char* machine, const char* system, const char* tag, int type,
                         panelaid::Records* out) override {
        if (rawEquivalencies) return Raw(*rawEquivalencies, out);
        return FakeConsoleDatabase::EquivalencyList(machine, system, tag, type, out);
    }
    bool SystemList(const char* machine, panelaid::Records* out) override {
        if (nullSystems) {
            out->clear();
            SetThreadError(7, "sys_list: nothing found");
            return false;
        }
        return FakeConsoleDatabase::SystemList(machine, out);
    }

    std::optional<panelaid::Records> rawRoots;      // the list of the roots
    std::optional<panelaid::Records> rawInstances;  // every other instance list
    std::optional<panelaid::Records> rawEquivalencies;
    bool nullSystems = false;

private:
    bool Raw(const panelaid::Records& records, panelaid::Records* out) {
        *out = records;
        if (!out->empty()) return true;
        SetThreadError(7, "nothing found");
        return false;
    }
};

// Joins fields with the record separator.
inline std::string Fields(const std::vector<std::string>& fields) {
    std::string r;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) r += panelaid::kRecordSeparator;
        r += fields[i];
    }
    return r;
}

struct AppstatParts {
    AppstatParts() {
        db.AddSystem("", "SYSA", 'A');
        db.AddSystem("", "SYSB", 'A');
    }

    DocServices Services() { return DocServices{db, settings, painter}; }

    void AddInstance(const std::string& machine, const std::string& tag, const std::string& state) {
        panelaid::FakeConsoleDatabase::Instance i;
        i.tag = tag;
        i.id = tag + "-id";
        i.state = state;
        db.AddInstance(machine, i);
    }
    // A hierarchy of one resource on SYSA, backed up by SYSB when
    // backupState is given.
    void AddHierarchy(const std::string& tag, const std::string& own, const std::string& backupState = "") {
        AddInstance("", tag, own);
        if (backupState.empty()) return;
        db.AddEquivalency("", "SYSA", tag, "SYSB", tag);
        AddInstance("SYSB", tag, backupState);
    }

    ScriptedDatabase db{"SYSA"};
    panelaid::FakeMessageBoxes boxes;
    panelaid::FakeStatusDisplay painter;
    panelaid::FakeSettingsStore store;
    panelaid::WindowSettings settings{store, boxes};
    RecordingDocHost host;
};

}  // namespace appstat
