// One system whose table files hold applications, resource types and
// instances, with NODE2 and NODE3 in its systems table: the daemon loads
// them, the clients run in children. Other systems are represented by the
// cached copies in this system's segment.
#pragma once

#include "AutoQdbLock.h"
#include "DbMgr.h"
#include "OneSystemFixture.h"
#include "ShmMgr.h"
#include "application.h"
#include "hvresource.h"
#include "resource_type.h"
#include "qdberr.h"
#include "qdbfile.h"

#include <cstring>
#include <initializer_list>
#include <string>

namespace hierarchytest {

// The table line of an instance (identifier "id-<tag>") with its children.
inline std::string Line(const std::string& tag, std::initializer_list<const char*> children = {}, char init = 's',
                        char st = 'u') {
    std::string s = tag + "\x01" "id-" + tag + "\x01" + init + "\x01" "\x01" + st + "\x01" "\x01" "0\x01" "0\x01" "0\x01";
    for (const char* c : children) s += std::string("\x01") + c;
    return s + "\n";
}

// A line of another system's instance for FillCopy: application app1, the
// type, tag, identifier "id-<tag>", init type and state.
inline std::string CopyLine(const std::string& typ, const std::string& tag, char init = 's', char st = 'u',
                            std::initializer_list<const char*> children = {}) {
    return "app1\x01" + typ + "\x01" + Line(tag, children, init, st);
}

// 0x01 shown as '|', entries joined by ','; the list is freed.
inline std::string Joined(char** list) {
    std::string out;
    for (char** p = list; p && *p; ++p) {
        std::string e = *p;
        for (char& c : e)
            if (c == '\x01') c = '|';
        out += (out.empty() ? "" : ",") + e;
    }
    for (char** p = list; p && *p; ++p) qdbfreeit(*p);
    qdbfreeit(list);
    return out;
}

inline std::string Shown(std::string s) {
    for (char& c : s)
        if (c == '\x01') c = '|';
    return s;
}

// The tags of the local instance list, joined by ','.
inline std::string Roots() {
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    std::string out;
    for (hvresource* r : hvresource::listed(db)) out += (out.empty() ? "" : ",") + std::string(r->tag());
    return out;
}

// Makes the copy of `system` valid (so no load is tried) and loads
// instance lines with application and type into it; their states apply.
inline int FillCopy(const char* system, const std::string& lines) {
    {
        AUTO_QDB_LOCK(lk);
        lk.lock(-1);
        DbMgr* db = ShmMgr::findDbMgr(system, 0);
        if (db == nullptr) return -1;
        db->tStamp = QdbDbTime{0x100, 0};
    }
    std::string apps = "app1";
    std::string types = "app1\x01typ1\x01typ2\n";
    if (application::createmany(system, apps.data(), 1) != 0 || resource_type::loadall(system, types.data(), 1) != 0)
        return -1;
    std::string text = lines;
    return hvresource::createmany(const_cast<char*>(system), nullptr, nullptr, nullptr, text.data(), 1);
}

class HierarchyTest : public qdbfixture::OneSystemTest {
protected:
    void BeforeDaemon() override {
        RootFile("config/systems", "NODE1\x01" "A\x01" "\n" "NODE2\x01" "A\x01" "\n" "NODE3\x01" "A\x01" "\n");
        RootFile("subsys/app1/resources/typ1/instances", TypeOne());
        RootFile("subsys/app1/resources/typ2/instances", TypeTwo());
        RootFile("subsys/app2/resources/typ3/instances", "");
        MoreFiles();
    }
    virtual std::string TypeOne() { return ""; }
    virtual std::string TypeTwo() { return ""; }
    virtual void MoreFiles() {}
    // Stops the daemon and the manager and starts both again on a fresh
    // segment loaded from the files.
    void Restart() {
        Stop(daemon_);
        Stop(manager_);
        daemon_ = StartDaemon();
        manager_ = StartProgram(HV_MXRCFGSTORE_BIN, "mxrcfgstore");
        ASSERT_TRUE(WaitForLine(daemon_, "qdb: serving")) << Err(daemon_);
        ASSERT_TRUE(WaitForLine(daemon_, "qdb: start-up states given")) << Err(daemon_);
    }
    std::string File(const std::string& rel) { return Shown(cfgtest::ReadFile(root_ + "/" + rel)); }
};

}  // namespace hierarchytest
