// Standard paths, node name, tunables and the usage report, each in a child
// process: the path table and the program identity are built once per process.
#include "ChildReport.h"
#include "RegHV.h"
#include "qdberr.h"
#include "qdbpaths.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

using cfgtest::ChildResult;
using cfgtest::Count;
using cfgtest::RunChild;

namespace {

// The paths the child sees, one per line, for the entries asked.
std::string PathsOf(std::initializer_list<int> entries) {
    std::string out;
    for (int n : entries) {
        const char* p = gps(n);
        out += p ? p : "(null)";
        out += '\n';
    }
    return out;
}

struct EnvSet {
    EnvSet(const char* name, const char* value) : name_(name) {
        if (value) ::setenv(name, value, 1); else ::unsetenv(name);
    }
    ~EnvSet() { ::unsetenv(name_); }
    const char* name_;
};

}  // namespace

TEST(StdPaths, RootFromTestRootWithSlashes) {
    hvtest::TempSystemDir sys;
    EnvSet root("TEST_ROOT", "C:\\hv\\root");
    ChildResult r = RunChild([] {
        cfgtest::Note(PathsOf({30, 6, 18, 1, 3, 5, 31, 32, 42, 43, -1}));
        return 0;
    });
    EXPECT_EQ(r.note,
              "C:/hv/root/etc/Holdervane\nconfig/systems\nC:/hv/root\nC:/hv/root/out/log\nconfiguration\nHVNT\n"
              "%s/%s\n%s/%s/%s\nC:/hv/root/tmp/\n(null)\n(null)\n");
}

TEST(StdPaths, RootFromTheRegistryElseNone) {
    hvtest::TempSystemDir sys;
    EnvSet root("TEST_ROOT", nullptr);
    ChildResult none = RunChild([] {
        cfgtest::Note(PathsOf({18, 1, 38}));
        return 0;
    });
    EXPECT_EQ(none.note, "\n/out/log\n/tmp/READTUNABLES\n");
    ChildResult reg = RunChild([] {
        portlib::RegHVSetStr("General", "RootDir", "D:\\inst\\hv\\", portlib::HV_REG_SZ);
        cfgtest::Note(PathsOf({18, 30, 14}));
        return 0;
    });
    EXPECT_EQ(reg.note, "D:/inst/hv\nD:/inst/hv/etc/Holdervane\nconfig\n");
}

TEST(StdPaths, NodeNameFromTestUname) {
    hvtest::TempSystemDir sys;
    EnvSet name("TEST_UNAME", "NODEA");
    portlib::utsname u{};
    ASSERT_EQ(qdb_uname(&u), 0);
    EXPECT_STREQ(u.sysname, "NODEA");
    EXPECT_STREQ(u.nodename, "NODEA");
    EXPECT_STREQ(u.release, "3.5");
    EXPECT_EQ(qdb_uname(nullptr), -1);
}

TEST(Usage, ReportsTheUsageAndEndsWithTwo) {
    hvtest::TempSystemDir sys;
    struct Case { const char* arg0; const char* usage; bool withText; const char* expect; };
    const Case cases[] = {
        {"prog", "usage: %s [-x]\n", true, "*ERROR* (No. 334) prog: bad option q\nusage: prog [-x]\n"},
        {"prog", nullptr, true, "*ERROR* (No. 334) prog: bad option q\nprog: command line syntax error\n"},
        {nullptr, nullptr, false, "*ERROR* (No. 334) command line syntax error\n"},
        {"prog", nullptr, false, "*ERROR* (No. 334) prog: command line syntax error\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expect);
        ChildResult r = RunChild([&]() -> int {
            set_errinfo("prog", "qdb", 0, nullptr);
            pQdb_arg0 = c.arg0;
            pQdb_usage = c.usage;
            if (c.withText) qdbusage("bad option %c", 'q');
            qdbusage(nullptr);
        });
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_NE(r.err.find(c.expect), std::string::npos) << r.err;
        EXPECT_EQ(r.events.size(), 1u);
    }
}

class Tunables : public ::testing::Test {
protected:
    Tunables() : root_("TEST_ROOT", sys_.Path().c_str()) {}
    void WriteFile(const std::string& text) {
        std::filesystem::create_directories(sys_.Path() + "/etc");
        std::ofstream(sys_.Path() + "/etc/Holdervane") << text;
    }
    // Reads the tunables in a child with the program identity set; the note
    // holds "INITTIMEOUT REMOTETIMEOUT EVENTIGNPERIOD FLAGTIMEOUT SHMMAXSIZ".
    ChildResult Read() {
        return RunChild([] {
            set_errinfo("tun", "qdb", 0, nullptr);
            cfgstore::ReadTunables();
            cfgtest::Note(std::to_string(pQdb_inittimeout) + " " + std::to_string(pQdb_remotetime) + " " +
                          std::to_string(pQdb_event_ign_period) + " " + std::to_string(pQdb_flagtimeout) + " " +
                          std::to_string(pQdb_shmmaxsiz));
            return 0;
        });
    }
    hvtest::TempSystemDir sys_;
    EnvSet root_;
};

TEST_F(Tunables, FileDefaultsDifferFromNoFileValues) {
    ChildResult noFile = Read();
    EXPECT_EQ(noFile.note, "300 300 60 900 1000000");
    WriteFile("INITTIMEOUT=120\n");
    ChildResult only = Read();
    EXPECT_EQ(only.note, "120 180 600 900 1000000");
    EXPECT_TRUE(only.err.empty()) << only.err;
}

TEST_F(Tunables, LinesAreParsedAsTheFileMeansThem) {
    WriteFile(
        " FLAGTIMEOUT=5\n"                  // leading blank: skipped
        "LOGFILE=/var/log/hv\n"             // accepted, ignored
        "FOO=1\n"                           // unknown: reported, reading goes on
        "EVENTIGNPERIOD = 7 # comment\n"
        "SHMMAXSIZ\n"                       // no value: ignored
        "INITTIMEOUT=\n"                    // no value: ignored
        "/REMOTETIMEOUT=1\n"
        "#REMOTETIMEOUT=2\n"
        "\n"
        "REMOTETIMEOUT\t44\n");
    ChildResult r = Read();
    EXPECT_EQ(r.note, "300 44 7 900 1000000");
    std::string path = sys_.Path() + "/etc/Holdervane";
    EXPECT_EQ(Count(r.err, "is not a known tunable name"), 1) << r.err;
    EXPECT_NE(r.err.find("*ERROR* (No. 329) \"FOO\" in file \"" + path + "\" is not a known tunable name"),
              std::string::npos)
        << r.err;
}

TEST_F(Tunables, TheRestOfAnOverlongLineIsNoLineOfItsOwn) {
    std::string first = "REMOTETIMEOUT=1";
    first.append(2001 - first.size(), ' ');
    WriteFile(first + "INITTIMEOUT=7\nFLAGTIMEOUT=8\n");
    ChildResult r = Read();
    EXPECT_EQ(r.note, "300 1 600 8 1000000");
    EXPECT_TRUE(r.err.empty()) << r.err;
}

TEST_F(Tunables, ConversionsAndStrings) {
    WriteFile("FSPRIOCLASS=TS\nQDBTSPRI=-5\nMXRRTTQNSECS=-7\nLOGULIM=12345678901\nRSPRIOCLASS RT\nOTHRTTQSECS=4\n");
    ChildResult r = RunChild([] {
        cfgstore::ReadTunables();
        cfgtest::Note(std::string(pQdb_fsprioclass) + " " + std::to_string(pQdb_qdbtspri) + " " +
                      std::to_string(pQdb_mxrrttqnsecs) + " " + std::to_string(pQdb_logulim) + " " +
                      pQdb_rsprioclass + " " + std::to_string(pQdb_othrttqsecs) + " " + pQdb_mxrprioclass + " " +
                      std::to_string(pQdb_othtspri));
        return 0;
    });
    EXPECT_EQ(r.note, "TS -5 -7 12345678901 RT 4 RT -30007");
}

TEST_F(Tunables, MarkerFilePrintsEveryValueInOrder) {
    WriteFile("WAITFORMXR=33\n");
    std::filesystem::create_directories(sys_.Path() + "/tmp");
    std::ofstream(sys_.Path() + "/tmp/READTUNABLES") << "";
    ChildResult r = Read();
    const char* names[] = {"resrvtimeout=600", "resrvaudtimeout=1800", "resrvrectimeout=60", "event_ign_period=600",
                           "flagtimeout=900", "ovrhead=10", "inittimeout=300", "waitformxr=33", "waitlocalmxr=10",
                           "remotetime=180", "mxrprioclass=RT", "qdbprioclass=RT", "othprioclass=RT",
                           "fsprioclass=RT", "rsprioclass=TS", "fstspri=-30007", "mxrtspri=-30007",
                           "qdbtspri=-30007", "othtspri=-30007", "mxrrtpri=-30007", "qdbrtpri=-30007",
                           "othrtpri=-30007", "shmmaxsiz=1000000", "mxrrttqsecs=1", "qdbrttqsecs=1",
                           "othrttqsecs=1", "mxrrttqnsecs=0", "qdbrttqnsecs=0", "othrttqnsecs=0", "logulim=0"};
    std::size_t at = 0;
    for (const char* n : names) {
        std::size_t pos = r.err.find(std::string("*DEBUG* Qdb_") + n + "\n", at);
        ASSERT_NE(pos, std::string::npos) << n << "\n" << r.err;
        at = pos;
    }
    EXPECT_EQ(Count(r.err, "*DEBUG* Qdb_"), 30);
}
