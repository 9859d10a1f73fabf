// The applications and resource-types tables on one system: the real daemon
// stand-in and manager, the clients in child processes.
#include "AutoQdbLock.h"
#include "DbIter.h"
#include "DbMgr.h"
#include "InstanceSeams.h"
#include "OneSystemFixture.h"
#include "ShmMgr.h"
#include "application.h"
#include "flg.h"
#include "hvresource.h"
#include "qdberr.h"
#include "qdbfile.h"
#include "qdbmes.h"
#include "resource_type.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;
using qdbfixture::OneSystemTest;

// The entries sorted (directories are read in no fixed order).
std::string Joined(char** list) {
    std::vector<std::string> entries;
    for (char** p = list; p && *p; ++p) {
        std::string e = *p;
        for (char& c : e)
            if (c == '\x01') c = '|';
        entries.push_back(e);
    }
    std::sort(entries.begin(), entries.end());
    std::string out;
    for (const std::string& e : entries) out += (out.empty() ? "" : ",") + e;
    for (char** p = list; p && *p; ++p) qdbfreeit(*p);
    qdbfreeit(list);
    return out;
}

// "rc/code" plus "/unnamed" when the report does not hold text.
std::string Refused(int rc, const char* text) {
    const bool named = *text == '\0' || (Qdb_errbuf != nullptr && std::strstr(Qdb_errbuf, text) != nullptr);
    std::string s = std::to_string(rc) + "/" + std::to_string(Qdb_errno) + (named ? "" : "/unnamed");
    qdberrclr();
    return s;
}

// A record for NODE2's copy as NODE2's daemon would send it.
std::string Record(const char* command, const char* before, const char* after, const char* key) {
    return std::string(command) + "NODE2\x01" + before + "\x01" + after + "\x01" + key;
}

int CountIn(const char* dbsys, std::int32_t type) {
    AUTO_QDB_LOCK(lk);
    DbMgr* db = lk.getDbMgr(dbsys, -1, 1000, 0);
    int n = 0;
    DbIter it;
    it.iterInit(type, db);
    for (void* e = it.current(); e != nullptr; e = it.next()) ++n;
    return n;
}

class AppTypeTable : public OneSystemTest {
protected:
    void BeforeDaemon() override {
        RootFile("config/systems", "NODE1\x01" "A\x01\nNODE2\x01" "D\x01\n");
        for (const char* d : {"subsys/actions/resources/t0", "subsys/web/resources/ip", "subsys/web/resources/disk",
                              "subsys/two words/resources/x", "subsys/db/resources"})
            fs::create_directories(root_ + "/" + d);
        RootFile("keep/sentinel", "outside subsys");
    }
    bool Exists(const std::string& rel) { return fs::exists(root_ + "/" + rel); }
};

TEST_F(AppTypeTable, TheLoadReadsTheDirectoriesAndSkipsActionsAndUnsafeNames) {
    const std::string note = Client([] {
        std::string out = Joined(app_list(nullptr)) + ";";
        out += Joined(typ_list(nullptr, nullptr, ':')) + ";";
        out += Joined(typ_list(nullptr, "web", 0)) + ";";
        return out + Joined(typ_list(nullptr, nullptr, 0));
    });
    EXPECT_EQ(note, "db,web;web:disk,web:ip;disk,ip;web|disk,web|ip");
}

TEST_F(AppTypeTable, RefusalsOfCreateRemoveAndList) {
    const std::string note = Client([] {
        std::string out;
        out += Refused(app_create(nullptr, "actions"), "Applicaton name 'actions' is reserved for Holdervane use") + ",";
        out += Refused(app_create(nullptr, ""), "must specify new application name") + ",";
        out += Refused(app_create(nullptr, "web"), "already in use, application: [web]") + ",";
        out += Refused(app_remove(nullptr, nullptr), "must specify application name to remove") + ",";
        out += Refused(app_remove(nullptr, "nosuch"), "no match for removing applications \"nosuch\"") + ",";
        out += Refused(typ_create(nullptr, nullptr, "t"), "must specify application name") + ",";
        out += Refused(typ_create(nullptr, "web", ""), "must specify resource type name") + ",";
        out += Refused(typ_create(nullptr, "nosuch", "t"), "application \"nosuch\" unknown on machine \"NODE1\"") + ",";
        out += Refused(typ_create(nullptr, "web", "ip"), "already in use, resource_type: [web] [ip]") + ",";
        out += Refused(typ_remove(nullptr, "web", nullptr), "must specify resource type name") + ",";
        out += Refused(typ_remove(nullptr, "web", "nosuch"), "no match for removing resource types") + ",";
        out += Refused(hvresource::privtyp_remove(nullptr, nullptr, "ip"), "must specify application") + ",";
        // Another system's copy is changed only through that system.
        out += Refused(hvresource::privtyp_remove("NODE2", "web", "ip"), "Can not remove type on cached database") + ",";
        out += Refused(typ_remove("NODE2", "web", "ip"), "") + ",";
        out += std::to_string(typ_list(nullptr, "db", 0) == nullptr);
        out += Refused(0, "no resource types for db are found") + ",";
        out += Joined(typ_list(nullptr, "web", 0));
        return out;
    });
    // typ_remove to NODE2 is a remote request, which fails as NODE2 is dead.
    EXPECT_EQ(note, "-1/5,-1/5,-1/4,-1/5,-1/7,-1/5,-1/5,-1/5,-1/4,-1/5,-1/7,-1/5,-1/5,-1/9,10/7,disk,ip");
}

TEST_F(AppTypeTable, SyncMakesTheDirectoriesOnceAndRemovalDeletesThem) {
    const std::string note = Client([this] {
        std::string out;
        out += Refused(app_create(nullptr, "mail"), "");
        out += Refused(typ_create(nullptr, "mail", "smtp"), "") + ",";
        out += Refused(app_sync(nullptr), "");
        out += Refused(typ_sync(nullptr), "") + ",";
        out += std::to_string(Exists("subsys/mail/resources/smtp/recovery")) + ",";
        // Nothing changed since: a second sync makes nothing.
        fs::remove_all(root_ + "/subsys/mail");
        out += Refused(app_sync(nullptr), "");
        out += Refused(typ_sync(nullptr), "") + ",";
        out += std::to_string(Exists("subsys/mail")) + ",";
        // The next creation brings both back.
        out += Refused(typ_create(nullptr, "mail", "pop"), "");
        out += Refused(app_create(nullptr, "news"), "");
        out += Refused(app_sync(nullptr), "");
        out += Refused(typ_sync(nullptr), "") + ",";
        out += std::to_string(Exists("subsys/mail/resources/smtp/recovery")) +
               std::to_string(Exists("subsys/mail/resources/pop/recovery")) + std::to_string(Exists("subsys/news/resources")) +
               ",";
        out += Refused(typ_remove(nullptr, "mail", "pop"), "");
        out += std::to_string(Exists("subsys/mail/resources/pop")) + std::to_string(Exists("subsys/mail/resources/smtp")) + ",";
        out += Refused(app_remove(nullptr, "mail"), "");
        out += std::to_string(Exists("subsys/mail")) + ",";
        out += Joined(app_list(nullptr)) + ";" + Joined(typ_list(nullptr, nullptr, ':'));
        return out;
    });
    EXPECT_EQ(note, "0/00/0,0/00/0,1,0/00/0,0,0/00/00/00/0,111,0/001,0/00,db,news,web;web:disk,web:ip");
}

TEST_F(AppTypeTable, RemovingAnApplicationRemovesItsInstancesAndTypesAndWritesTheTables) {
    const std::string note = Client([this] {
        std::string out;
        out += Refused(ins_create(nullptr, "web", "ip", 'I', "ip1", "10.0.0.1", "addr"), "");
        out += Refused(ins_create(nullptr, "web", "disk", 's', "d1", "/dev/sda", ""), "");
        out += Refused(ins_create(nullptr, "db", "ip", 'I', "x", "y", ""), "resource type \"ip\" for application \"db\"");
        out += Refused(flg_create(nullptr, "marker"), "") + ",";
        out += std::to_string(CountIn(nullptr, RESOURCE)) + std::to_string(CountIn(nullptr, RESTYPE)) + ",";
        out += Refused(app_remove(nullptr, "web"), "") + ",";
        out += std::to_string(CountIn(nullptr, RESOURCE)) + std::to_string(CountIn(nullptr, RESTYPE)) +
               std::to_string(Exists("subsys/web")) + ",";
        out += Joined(app_list(nullptr));
        return out;
    });
    EXPECT_EQ(note, "0/00/0-1/50/0,22,0/0,000,db");
    // The tables were written: the flag created before is in its file.
    EXPECT_EQ(cfgtest::ReadFile(root_ + "/config/flg"), "marker\n");
}

TEST_F(AppTypeTable, ATypeWhoseInstancesStayKeepsItsRecordAndDirectory) {
    const std::string note = Client([this] {
        cfgstore::InstanceSeams s{};
        s.removeInstances = [](const char*, const char* typ) {
            if (typ != nullptr && std::strcmp(typ, "ip") == 0)
                return hv_err(23, 932, QDB_DEP, "undeleted instance depends on instance to be deleted");
            Qdb_errno = QDB_NOEXIST;
            return -1;
        };
        cfgstore::SetInstanceSeams(s);
        std::string out = Refused(typ_remove(nullptr, "web", "ip"), "undeleted instance") + ",";
        out += Refused(hvresource::privtyp_remove(nullptr, "web", nullptr), "undeleted instance") + ",";
        out += Joined(typ_list(nullptr, "web", 0)) + "," + std::to_string(Exists("subsys/web/resources/ip")) +
               std::to_string(Exists("subsys/web/resources/disk")) + ",";
        out += Refused(app_remove(nullptr, "web"), "undeleted instance") + ",";
        out += Joined(app_list(nullptr)) + std::to_string(Exists("subsys/web"));
        return out;
    });
    EXPECT_EQ(note, "-1/8,-1/8,ip,10,-1/8,db,web1");
}

// A name that could leave subsys is refused wherever it arrives: a local
// create, a request from another system, a cache record.
TEST_F(AppTypeTable, UnsafeNamesAreRefusedAtEveryEntry) {
    const std::string note = Client([] {
        std::string out;
        const char* bad[] = {"x /", "../..", "..", ".", "a/b", "a\\b", "tab\there", "nl\nx", "sp ace"};
        for (const char* n : bad) {
            out += Refused(app_create(nullptr, n), "may not be empty") + " ";
            out += Refused(typ_create(nullptr, "web", n), "may not be empty") + " ";
            out += Refused(qdbsendremote(nullptr, "NODE1", 'C', 'a', "%s", n), "may not be empty") + " ";
            const std::string key = std::string("web\x01") + n;
            out += Refused(qdbsendremote(nullptr, "NODE1", 'D', 'a', "%s", key.c_str()), "may not be empty") + " ";
            std::string rec = Record("a", "0\x01" "0", "0\x01" "1", n);
            out += std::to_string(application::updateCache(rec.data())) + std::to_string(Qdb_errno) + " ";
            rec = Record("a", "0\x01" "0", "0\x01" "1", key.c_str());
            out += std::to_string(resource_type::updateCache(rec.data())) + std::to_string(Qdb_errno) + ",";
        }
        out += Refused(app_sync(nullptr), "");
        out += Refused(typ_sync(nullptr), "");
        out += std::to_string(CountIn("NODE2", APPLIC)) + std::to_string(CountIn("NODE2", RESTYPE)) + ",";
        out += Joined(app_list(nullptr)) + ";" + Joined(typ_list(nullptr, nullptr, ':'));
        return out;
    });
    std::string expected;
    for (int i = 0; i < 9; ++i) expected += "-1/5 -1/5 -1/5 -1/5 -70 -70,";
    EXPECT_EQ(note, expected + "0/00/000,db,web;web:disk,web:ip");
    // Nothing appeared or went outside subsys.
    EXPECT_TRUE(Exists("keep/sentinel"));
    for (const auto& e : fs::directory_iterator(root_))
        EXPECT_TRUE(fs::path(e.path()).filename() != "x " && fs::path(e.path()).filename() != "b") << e.path();
    std::string subsys;
    for (const auto& e : fs::directory_iterator(root_ + "/subsys")) subsys += e.path().filename().string() + ",";
    EXPECT_EQ(subsys.size(), std::string("actions,web,two words,db,").size()) << subsys;
}

TEST_F(AppTypeTable, CopiesFollowApplicationAndTypeRecords) {
    const std::string note = Client([] {
        std::string out;
        auto apply = [&](int (*update)(char*), std::string rec) { out += std::to_string(update(rec.data())) + ","; };
        {
            AUTO_QDB_LOCK(lk);
            lk.lock(-1);
            ShmMgr::findDbMgr("NODE2", 0)->tStamp = QdbDbTime{0x64, 0};
        }
        apply(application::updateCache, Record("a", "64\x01" "0", "64\x01" "1", "crm"));
        apply(application::updateCache, Record("a", "64\x01" "1", "64\x01" "2", "crm"));
        apply(application::updateCache, Record("a", "64\x01" "2", "64\x01" "3", "actions"));
        apply(resource_type::updateCache, Record("a", "64\x01" "3", "64\x01" "4", "crm\x01" "ip"));
        apply(resource_type::updateCache, Record("a", "64\x01" "4", "64\x01" "5", "crm\x01" "fs"));
        apply(resource_type::updateCache, Record("a", "64\x01" "5", "64\x01" "6", "crm-no-key"));
        apply(resource_type::updateCache, Record("x", "64\x01" "5", "64\x01" "6", "crm\x01" "fs"));
        out += Joined(typ_list("NODE2", nullptr, ':')) + ",";
        // An empty type removes every type of the application.
        apply(resource_type::updateCache, Record("c", "64\x01" "5", "64\x01" "6", "crm\x01"));
        apply(resource_type::updateCache, Record("c", "64\x01" "6", "64\x01" "7", "crm\x01" "fs"));
        apply(application::updateCache, Record("c", "64\x01" "7", "64\x01" "8", "crm"));
        apply(application::updateCache, Record("c", "64\x01" "8", "64\x01" "9", "NODE1"));
        std::string own = std::string("aNODE1\x01") + "1\x01" "0\x01" "1\x01" "1\x01" "forged";
        out += std::to_string(application::updateCache(own.data())) + ",";
        AUTO_QDB_LOCK(lk);
        lk.lock(-1);
        out += std::to_string(ShmMgr::findDbMgr("NODE2", 0)->tStamp.coll);
        return out;
    });
    EXPECT_EQ(note, "0,-7,-7,0,0,-7,-2,crm:fs,crm:ip,0,-9,0,-9,-10,9");
}

}  // namespace
