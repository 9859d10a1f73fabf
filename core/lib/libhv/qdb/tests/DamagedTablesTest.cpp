// Start-up with damaged table files: each damaged record is reported to the
// event log with its file and line and skipped; every good record loads, the
// daemon serves, and a table nothing changed is not written back.
#include "AutoQdbLock.h"
#include "OneSystemFixture.h"
#include "equivalency.h"
#include "flg.h"
#include "hvresource.h"
#include "network.h"
#include "qdberr.h"
#include "qdbfile.h"
#include "qdbmes.h"
#include "systems.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

std::string Names(char** list) {
    std::string out;
    for (char** p = list; p != nullptr && *p != nullptr; ++p) {
        out += std::string(*p) + ",";
        qdbfreeit(*p);
    }
    qdbfreeit(list);
    qdberrclr();
    return out;
}

const std::string kSystems = "NODE1\x01" "A\x01\n" "bad name\x01" "D\x01\n" "NODE2\x01" "D\x01\n";
const std::string kNetworks = "NODE2\x01" "TCPIP:1500\x01" "l\x01" "0\x01" "0\x01" "5\x01" "2\x01" "3\n"
                              "NODE2\x01" "TCPIP:1600\n"
                              "NODE2\x01" "TCPIP:1700\x01" "l\x01" "0\x01" "0\x01" "4\x01" "2\x01" "3\n";
const std::string kEquivalencies = "NODE1\x01" "ip1\x01" "NODE2\x01" "r1\x01" "S\n" "NODE1\x01" "ip9\n";
// The first instance line holds a NUL byte.
const std::string kInstances = std::string("ip0\x01" "10.0.0.9\x01" "I\x01" "o\0ld\x01" "u\x01\x01" "0\x01" "0\x01" "0\x01\n", 30) +
                               "ip1\x01" "10.0.0.1\x01" "I\x01\x01" "u\x01\x01" "0\x01" "0\x01" "0\x01\n";

// 3 KB of garbage after a good flag, the same every run.
std::string Garbage() {
    std::mt19937 gen(39);
    std::string out;
    for (int i = 0; i < 3072; ++i) out.push_back(static_cast<char>(gen() & 0xFF));
    return out;
}

class DamagedTables : public qdbfixture::OneSystemTest {
protected:
    void BeforeDaemon() override {
        RootFile("config/systems", kSystems);
        RootFile("config/networks", kNetworks);
        RootFile("config/equivalencies", kEquivalencies);
        RootFile("config/flg", "good_flag\n" + Garbage() + "\nlast_flag\n");
        std::filesystem::create_directories(root_ + "/subsys/web/resources/ip");
        RootFile("subsys/web/resources/ip/instances", kInstances);
    }
    std::string EventLog() { return cfgtest::ReadFile(sys_.Path() + "/log/eventlog"); }
};

TEST_F(DamagedTables, EachBadRecordIsReportedAndSkippedAndTheRestLoads) {
    const std::string log = EventLog();
    struct Report {
        std::string file;
        int line;
        std::string why;
    };
    for (const Report& r : {Report{"config/systems", 2, "system name \"bad name\""},
                            Report{"config/networks", 2, "path record without"},
                            Report{"config/equivalencies", 2, "equivalency record without"},
                            Report{"subsys/web/resources/ip/instances", 1, "control byte 0x00"}}) {
        SCOPED_TRACE(r.file);
        const std::string head = r.file + " line " + std::to_string(r.line) + ": ";
        const size_t at = log.find(head);
        ASSERT_NE(at, std::string::npos) << log;
        EXPECT_NE(log.find(r.why, at), std::string::npos) << log.substr(at, 300);
    }
    EXPECT_NE(log.find("config/flg line "), std::string::npos) << "the garbage was refused";
    const std::string note = Client([] {
        std::string out = Names(sys_list(nullptr)) + "|";
        out += Names(net_list(nullptr, nullptr, '|')) + "|";
        {
            AUTO_QDB_LOCK(lk);
            lk.lock(-1);
            DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
            out += hvresource::findres(db, "ip1", nullptr) != nullptr ? "ip1," : "no ip1,";
            out += hvresource::findres(db, "ip0", nullptr) != nullptr ? "ip0," : "no ip0,";
        }
        out += "|" + std::to_string(Names(eqv_list(nullptr, nullptr, nullptr, 0, 0)).size() > 0);
        const std::string flags = Names(flg_list(nullptr));
        out += "|" + std::string(flags.find("good_flag,") != std::string::npos ? "good" : "-") +
               (flags.find("last_flag,") != std::string::npos ? "last" : "-");
        // Nothing changed: nothing is written.
        qdbsync(nullptr);
        return out;
    });
    EXPECT_EQ(note.substr(0, note.find('|')), "NODE1,NODE2,");
    EXPECT_NE(note.find("NODE2|TCPIP:1500"), std::string::npos) << note;
    EXPECT_NE(note.find("NODE2|TCPIP:1700"), std::string::npos) << note;
    EXPECT_EQ(note.find("TCPIP:1600"), std::string::npos) << note;
    EXPECT_NE(note.find("|ip1,no ip0,|"), std::string::npos) << note;
    EXPECT_NE(note.find("|goodlast"), std::string::npos) << note;
    EXPECT_EQ(cfgtest::ReadFile(root_ + "/config/systems"), kSystems);
    EXPECT_EQ(cfgtest::ReadFile(root_ + "/config/networks"), kNetworks);
    EXPECT_EQ(cfgtest::ReadFile(root_ + "/config/equivalencies"), kEquivalencies);
}

}  // namespace
