// One system with hierarchies whose action scripts are real shell scripts:
// each appends "<system> <action>" and its arguments, one "[value]" each,
// to <root>/journal, and fails when <root>/fail/<action>.<tag> exists.
//   typ1 (app1): R on M1 and M2, M1 on L, X on M1
//   typ2 (app1): M2 on L, L
//   typ3 (app2): N, without any script
//   scsidisk (app1): D, info "NODE2", with a type-level restore script
#pragma once

#include "HierarchyFixture.h"
#include "qdbkivra.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace actiontest {

using namespace hierarchytest;

// The body of an action script for system.
inline std::string ScriptText(const std::string& root, const std::string& system, const std::string& label) {
    return "#!/bin/sh\n"
           "line='" + system + " " + label + "'\n"
           "for a in \"$@\"; do line=\"$line [$a]\"; done\n"
           "echo \"$line\" >> '" + root + "/journal'\n"
           "tag=''\n"
           "while [ $# -gt 0 ]; do [ \"$1\" = -t ] && tag=$2; shift; done\n"
           "[ -e \"" + root + "/fail/" + label + ".$tag\" ] && exit 1\n"
           "exit 0\n";
}

class ActionTest : public HierarchyTest {
protected:
    std::string TypeOne() override { return Line("R", {"M1", "M2"}) + Line("M1", {"L"}) + Line("X", {"M1"}); }
    std::string TypeTwo() override { return Line("M2", {"L"}) + Line("L"); }
    void MoreFiles() override {
        RootFile("subsys/app2/resources/typ3/instances", Line("N"));
        RootFile("subsys/app1/resources/scsidisk/instances",
                 "D\x01" "id-D\x01" "s\x01" "NODE2\x01" "u\x01\x01" "0\x01" "0\x01" "0\x01\n");
        for (const char* a : {"restore", "remove", "delete", "check"}) Script(std::string("subsys/app1/actions/") + a + ".ksh", a);
        Script("subsys/app1/resources/scsidisk/actions/restore.ksh", "restore");
        for (const char* when : {"pre", "post"})
            for (const char* a : {"restore", "remove", "delete"}) {
                Script(std::string("subsys/actions/") + when + a + ".ksh", std::string("global ") + when + " " + a);
                Script(std::string("subsys/app1/actions/") + when + a + ".ksh", std::string("app1 ") + when + " " + a);
            }
        std::filesystem::create_directories(root_ + "/fail");
    }
    void Script(const std::string& rel, const std::string& label) {
        RootFile(rel, ScriptText(root_, "NODE1", label));
        std::filesystem::permissions(root_ + "/" + rel, std::filesystem::perms::owner_all);
    }
    void Fail(const std::string& action, const std::string& tag) { RootFile("fail/" + action + "." + tag, ""); }
    // The journal's lines, and emptied.
    std::vector<std::string> Journal() {
        std::vector<std::string> out;
        std::ifstream in(root_ + "/journal");
        for (std::string l; std::getline(in, l);) out.push_back(l);
        std::filesystem::remove(root_ + "/journal");
        return out;
    }
    // "<action> <tag>" of each action-script line, the global lines as they
    // are, joined by ','.
    std::string Steps() {
        std::string out;
        for (const std::string& l : Journal()) {
            std::string step = l.substr(l.find(' ') + 1);
            const auto t = step.find(" [-t] [");
            if (t != std::string::npos) {
                const auto end = step.find(']', t + 7);
                step = step.substr(0, step.find(' ')) + " " + step.substr(t + 7, end - t - 7);
            }
            out += (out.empty() ? "" : ",") + step;
        }
        return out;
    }
};

// In a client: sets every listed tag's state directly (no scripts).
inline void SetStates(const std::vector<std::pair<std::string, state>>& states) {
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    for (const auto& [tag, st] : states) {
        hvresource* r = hvresource::findres(db, tag.c_str(), nullptr);
        if (r != nullptr) r->resstate = st;
    }
}

// "tag=STATE" of each tag, joined by ','.
inline std::string States(std::initializer_list<const char*> tags) {
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    std::string out;
    for (const char* t : tags) {
        hvresource* r = hvresource::findres(db, t, nullptr);
        out += (out.empty() ? "" : ",") + std::string(t) + "=" + (r ? hvresource::convstate(r->get_state()) : "none");
    }
    return out;
}

inline std::string Description(const char* tag) {
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
    hvresource* r = hvresource::findres(db, tag, nullptr);
    return r ? r->get_statedescr() : "none";
}

}  // namespace actiontest
