// The report formatter seen from outside: what each severity writes where,
// the result code and kept text it leaves, the event log lines it makes.
#include "ChildReport.h"
#include "QdbErrRecord.h"
#include "qdberr.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

using cfgtest::ChildResult;
using cfgtest::Count;
using cfgtest::RunChild;

namespace {

struct SeverityCase {
    int severity;
    const char* word;      // level word in the message
    bool numbered;         // "(No. 42)" follows the word
    bool syserr;           // " Win32 Error: 13"
    bool toStdout, toStderr, toEventLog;
    bool kept;             // message appended to the thread's error text
    int qdbErrno;          // Qdb_errno after a report without result code
    int exitCode;          // -1: the report returns
};

// The program's default flags are left at standard error; the log name "qdb"
// selects facility 3.
const SeverityCase kSeverities[] = {
    // sev  word          No.    Win32  out    err    event  kept   errno exit
    {1, "*CRITICAL*", true, false, false, true, true, false, 0, 3},
    {2, "*CRITICAL*", true, true, false, true, true, false, 0, 3},
    {3, "*ERROR*", true, false, false, true, true, false, 0, -1},
    {4, "*ERROR*", true, true, false, true, true, false, 0, -1},
    {5, "*WARNING*", true, false, false, true, false, false, 0, -1},
    {6, "*INFO*", true, false, false, true, false, false, 0, -1},
    {7, "*DEBUG*", false, false, false, true, false, false, 0, -1},
    {8, "*INFO*", true, false, false, false, true, false, 0, -1},
    {9, "*INFO*", true, false, false, true, true, false, 0, -1},
    {18, "*MESSAGE*", true, false, false, false, true, false, 0, -1},
    {19, "*MESSAGE*", true, false, true, false, true, false, 0, -1},
    {20, "*MESSAGE*", true, false, true, false, true, false, 0, -1},
    {21, "*CRITICAL*", true, false, false, false, true, true, 3, 3},
    {22, "*CRITICAL*", true, true, false, false, true, true, 1, 1},
    {23, "*ERROR*", true, false, false, false, false, true, 3, -1},
    {24, "*ERROR*", true, true, false, false, false, true, 1, -1},
    {25, "*WARNING*", true, false, false, false, false, true, 3, -1},
    {26, "*INFO*", true, false, false, false, false, true, 3, -1},
    {27, nullptr, false, false, false, true, false, false, 0, -1},
    {99, "*ERROR*", true, false, false, true, false, false, 0, -1},
};

}  // namespace

TEST(ErrorReport, EachSeverityGoesWhereItsTableRowSays) {
    hvtest::TempSystemDir sys;
    for (const SeverityCase& c : kSeverities) {
        SCOPED_TRACE("severity " + std::to_string(c.severity));
        ChildResult r = RunChild([&] {
            set_errinfo("/opt/hv/bin/qdbtool", "\\usr\\alarm\\out\\qdb", 0, nullptr);
            errno = 13;
            int rc = hv_err(c.severity, 42, "text %d", 7);
            int keptErrno = errno;
            std::string kept = Qdb_errbuf ? Qdb_errbuf : "";
            cfgtest::Note(std::to_string(rc) + "|" + std::to_string(Qdb_errno) + "|" + std::to_string(keptErrno) +
                          "|" + kept);
            return 0;
        });
        const std::string msg = c.severity == 27 ? "text 7\n" : "";
        const std::string numbered = c.word ? std::string(c.word) + (c.numbered ? " (No. 42) text 7" : " text 7") : "";
        const std::string head = "Process: qdbtool(";
        if (c.exitCode >= 0) {
            EXPECT_EQ(r.exitCode, c.exitCode);
        } else {
            ASSERT_EQ(r.exitCode, 0);
            std::string note = r.note;
            std::size_t a = note.find('|'), b = note.find('|', a + 1), d = note.find('|', b + 1);
            int level = std::string(c.word ? c.word : "").find("INFO") != std::string::npos ||
                                std::string(c.word ? c.word : "").find("DEBUG") != std::string::npos
                            ? 0
                            : -1;
            EXPECT_EQ(std::stoi(note.substr(0, a)), level) << "return value";
            EXPECT_EQ(std::stoi(note.substr(a + 1, b - a - 1)), c.qdbErrno) << "Qdb_errno";
            EXPECT_EQ(std::stoi(note.substr(b + 1, d - b - 1)), 13) << "the caller's errno survives";
            std::string kept = note.substr(d + 1);
            EXPECT_EQ(!kept.empty(), c.kept);
            if (c.kept) {
                EXPECT_NE(kept.find(head), std::string::npos);
                EXPECT_NE(kept.find(numbered), std::string::npos) << kept;
                EXPECT_EQ(kept.find(" Win32 Error: 13") != std::string::npos, c.syserr);
            }
        }
        EXPECT_EQ(!r.out.empty(), c.toStdout) << r.out;
        if (c.kept && c.exitCode >= 0) {
            // A critical kept report is printed once, without a second prefix, on the way out.
            EXPECT_EQ(Count(r.err, head), 1) << r.err;
            EXPECT_NE(r.err.find(numbered), std::string::npos) << r.err;
        } else {
            EXPECT_EQ(!r.err.empty(), c.toStderr) << r.err;
        }
        EXPECT_EQ(r.events.size(), c.toEventLog ? 1u : 0u);
        const std::string written = r.out + r.err;
        if (c.severity == 27) {
            EXPECT_EQ(r.err, msg);
        } else if (!written.empty()) {
            EXPECT_EQ(written.rfind(head, 0), 0u) << written;
            EXPECT_NE(written.find("\n" + numbered + "\n"), std::string::npos) << written;
            EXPECT_EQ(written.find(" Win32 Error: 13") != std::string::npos, c.syserr) << written;
        }
        if (!r.events.empty()) {
            EXPECT_EQ(r.events[0].source, "Holdervane");
            EXPECT_NE(r.events[0].text.find(numbered), std::string::npos);
            EXPECT_EQ(r.events[0].text.find('\t'), std::string::npos);
        }
    }
}

TEST(ErrorReport, EventTypeCategoryAndIdFollowLevelAndFacility) {
    hvtest::TempSystemDir sys;
    struct Expect { const char* type; unsigned long id[5]; };  // by facility none, 1, 3, 5, 7
    const int severities[] = {3, 5, 6, 7, 18};
    const Expect byLevel[] = {
        {"error", {0x40020001, 0xC0010003, 0xC0030003, 0xC0050003, 0xC0070003}},
        {"warning", {0x40020001, 0x80010002, 0x80030002, 0x80050002, 0x80070002}},
        {"information", {0x40020001, 0x40010001, 0x40030001, 0x40050001, 0x40070001}},
        {"information", {0x40020001, 0x40020001, 0x40040001, 0x40060001, 0x40020001}},
        {"error", {0x40010001, 0x40010001, 0x40010001, 0x40010001, 0x40010001}},
    };
    struct Program { const char* logname; unsigned facility; };
    const Program programs[] = {
        {nullptr, 0}, {"/var/log/tools", 1}, {"QdB", 3}, {"C:\\usr\\alarm\\out\\mxr", 5}, {"\\usr\\alarm\\out\\HVINIT", 7},
    };
    for (int p = 0; p < 5; ++p) {
        SCOPED_TRACE(programs[p].logname ? programs[p].logname : "no set_errinfo");
        ChildResult r = RunChild([&] {
            if (programs[p].logname) set_errinfo("prog", programs[p].logname, PXM_STDOUT, nullptr);
            for (int sev : severities) pxm_err(sev, 5, nullptr, 0, PXM_EVENTLOG, 0, "event of %d", sev);
            return 0;
        });
        ASSERT_EQ(r.exitCode, 0);
        ASSERT_EQ(r.events.size(), 5u);
        for (int i = 0; i < 5; ++i) {
            SCOPED_TRACE("severity " + std::to_string(severities[i]));
            EXPECT_EQ(r.events[i].type, byLevel[i].type);
            EXPECT_EQ(r.events[i].id, byLevel[i].id[p]);
            EXPECT_EQ(r.events[i].category, programs[p].facility + (severities[i] == 7 ? 1 : 0));
        }
        if (programs[p].logname) {
            // The default flags now say standard output (severity 18 has no default flags).
            EXPECT_EQ(Count(r.out, "Process: prog("), 4);
            EXPECT_TRUE(r.err.empty());
        } else {
            // Before set_errinfo nothing reaches the standard streams.
            EXPECT_TRUE(r.out.empty());
            EXPECT_TRUE(r.err.empty());
            EXPECT_NE(r.events[0].text.find("Process: no_name("), std::string::npos);
        }
    }
}

TEST(ErrorReport, SetErrinfoKeepsWhatItIsNotGiven) {
    hvtest::TempSystemDir sys;
    ChildResult r = RunChild([] {
        set_errinfo("first", "mxr", PXM_STDOUT, "[extra]");
        set_errinfo(nullptr, nullptr, 0, nullptr);  // facility back to 1, the rest kept
        pxm_err(6, 11, "/src/dir/file.cpp", 77, PXM_EVENTLOG, 0, "hello");
        return 0;
    });
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.rfind("Process: first(", 0), 0u) << r.out;
    EXPECT_NE(r.out.find(") \n[File:file.cpp Line:77]\n*INFO* (No. 11) [extra] hello\n"), std::string::npos) << r.out;
    ASSERT_EQ(r.events.size(), 1u);
    EXPECT_EQ(r.events[0].category, 1u);
}

TEST(ErrorReport, KeptErrorIsPrintedOnceAndCleared) {
    hvtest::TempSystemDir sys;
    ChildResult r = RunChild([] {
        set_errinfo("keeper", "qdb", 0, nullptr);
        if (hv_err(23, 9, QDB_NOEXIST, "no such %s", "thing") != -1) return 10;
        if (Qdb_errno != QDB_NOEXIST) return 11;
        hv_err(__FILE__, 5, 25, 10, "second");
        if (Qdb_errno != QDB_INT) return 12;  // a later report without a code sets its own
        if (qdberrcheck() != -1) return 13;
        if (Qdb_errno != 0 || Qdb_errbuf != nullptr) return 14;
        if (qdberrcheck() != 0) return 15;
        qdbfatalcheck();  // nothing kept: returns
        return 0;
    });
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Count(r.err, "Process: keeper("), 2) << r.err;
    EXPECT_NE(r.err.find("*ERROR* (No. 9) no such thing\nProcess: keeper("), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("[File:ErrorReportTest.cpp Line:5]\n*WARNING* (No. 10) second\n"), std::string::npos);
    EXPECT_TRUE(r.events.empty());
}

TEST(ErrorReport, FatalCheckEndsWithTheResultCode) {
    hvtest::TempSystemDir sys;
    ChildResult r = RunChild([] {
        set_errinfo("fatal", "qdb", 0, nullptr);
        hv_err(23, 1, QDB_ARGS, "bad argument");
        qdbfatalcheck();
        return 0;
    });
    EXPECT_EQ(r.exitCode, QDB_ARGS);
    EXPECT_NE(r.err.find("bad argument"), std::string::npos);
}

TEST(ErrorReport, OverlongTextIsCutVisiblyNotAborted) {
    hvtest::TempSystemDir sys;
    ChildResult r = RunChild([] {
        set_errinfo("long", "qdb", 0, nullptr);
        std::string big(9000, 'x');
        pxm_err(3, 1, nullptr, 0, PXM_EVENTLOG, 0, "%s", big.c_str());
        hv_err(5, 2, "%s", big.c_str());
        return 0;
    });
    ASSERT_EQ(r.exitCode, 0);
    std::size_t firstEnd = r.err.find('\n', r.err.find("(No. 1)"));
    ASSERT_NE(firstEnd, std::string::npos);
    EXPECT_EQ(firstEnd, static_cast<std::size_t>(kQdbMessageMax - 1)) << "message fills its buffer exactly";
    EXPECT_EQ(r.err.substr(firstEnd - 23, 23), " ...[message truncated]");
    // hv_err's own text buffer says it overflowed and still reports the cut text.
    EXPECT_NE(r.err.find("hv_err: message buffer overflow!\n"), std::string::npos);
    EXPECT_NE(r.err.find("*WARNING* (No. 2) xxxx"), std::string::npos);
    ASSERT_EQ(r.events.size(), 1u);
    EXPECT_NE(r.events[0].text.find("[message truncated]"), std::string::npos);
}

TEST(ErrorReport, CleanupStepsRunBeforeExit) {
    hvtest::TempSystemDir sys;
    ChildResult r = RunChild([]() -> int {
        set_errinfo("clean", "qdb", 0, nullptr);
        cfgstore::AddCleanupStep([] { cfgtest::Note("cleaned"); });
        qdbexit(6);
    });
    EXPECT_EQ(r.exitCode, 6);
    EXPECT_EQ(r.note, "cleaned");
}

TEST(TextCheck, WhiteSpaceAndControlCharacters) {
    struct Case { const char* text; int space, ctrl; int msgnum; };
    const Case cases[] = {
        {nullptr, 0, 0, 0}, {"clean_name", 0, 0, 0}, {"two words", 1, 0, 1}, {"tab\there", 1, 1, 1},
        {"bell\a", 1, 1, 2}, {"del\x7f", 1, 1, 2}, {"ctrl\x01 then blank", 1, 1, 2}, {"blank then\x01", 1, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text ? c.text : "(null)");
        qdberrclr();
        EXPECT_EQ(testspace("f.cpp", 3, c.text), c.space);
        if (c.space) {
            EXPECT_EQ(Qdb_errno, QDB_ARGS);
            const char* want = c.msgnum == 1 ? "may not contain white space characters." : "may not contain ctrl characters.";
            ASSERT_NE(Qdb_errbuf, nullptr);
            EXPECT_NE(std::strstr(Qdb_errbuf, want), nullptr) << Qdb_errbuf;
            EXPECT_NE(std::strstr(Qdb_errbuf, "[f.cpp,3] \""), nullptr);
        } else {
            EXPECT_EQ(Qdb_errbuf, nullptr);
        }
        qdberrclr();
        EXPECT_EQ(testctrl("f.cpp", 3, c.text), c.ctrl);
        qdberrclr();
    }
}
