// Starting outside programs: the command-line splitter and its inverse, the
// priority mapping, and real children through <root>/bin/sh.exe. Children
// that need the path table run inside RunChild (the table is built once per
// process); what they saw comes back as a note.
#include "ChildReport.h"
#include "RootBin.h"
#include "qdberr.h"
#include "qdbexec.h"
#include "qdbpaths.h"

#include <gtest/gtest.h>

#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

using cfgtest::ChildResult;
using cfgtest::Note;
using cfgtest::ReadFile;
using cfgtest::RunChild;

namespace {

using Args = std::vector<std::string>;

TEST(CommandLineSplit, Win32Rules) {
    const struct {
        const char* line;
        Args args;
    } cases[] = {
        {"", {}},
        {"   ", {}},
        {"/r/bin/sh.exe -c \"exit 7\"", {"/r/bin/sh.exe", "-c", "exit 7"}},
        {"prog  a\tb ", {"prog", "a", "b"}},
        {"\"C:\\Program Files\\x.exe\" y", {"C:\\Program Files\\x.exe", "y"}},
        {"p a\\b c\\\\d", {"p", "a\\b", "c\\\\d"}},            // backslashes before no quote stay
        {"p a\\\"b", {"p", "a\"b"}},                            // odd run: literal quote
        {"p \"a\\\\\" b", {"p", "a\\", "b"}},                   // even run: the quote closes
        {"p \"a\"\"b\"", {"p", "a\"b"}},                        // "" inside quotes
        {"p -c\"echo hi\" -dSYS", {"p", "-cecho hi", "-dSYS"}},  // quotes inside an argument
        {"p \"\"", {"p", ""}},
        {"p \"open to the end", {"p", "open to the end"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(cfgstore::SplitCommandLine(c.line), c.args);
    }
}

TEST(CommandLineSplit, QuotingComesBackWhole) {
    const char* values[] = {"plain", "", "two words", "tab\there", "say \"hi\"", "end\\", "a\\\\\"b",
                            "trailing space ", "C:\\dir\\", "new\nline", "$HOME;rm -rf /"};
    for (const char* v : values) {
        SCOPED_TRACE(v);
        const std::string line = "prog " + cfgstore::QuoteCommandArg(v) + " " + cfgstore::QuoteCommandArg(v);
        EXPECT_EQ(cfgstore::SplitCommandLine(line), (Args{"prog", v, v}));
    }
    EXPECT_EQ(cfgstore::QuoteCommandArg("plain"), "plain");
}

TEST(PriorityMapping, ClassAndThreadPriorityToNice) {
    const struct {
        const char* cls;
        int pri;
        std::optional<int> nice;
    } cases[] = {
        {"TS", 0, 0},     {"TS", 2, -4},  {"TS", -2, 4},    {"TS", 99, -4}, {"RT", -30007, -6},
        {"RT", 0, -10},   {"RT", 2, -14}, {"RT", -1, -8},   {"rt", 0, std::nullopt},
        {"XX", 0, std::nullopt}, {nullptr, 0, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.cls ? c.cls : "null") + " " + std::to_string(c.pri));
        EXPECT_EQ(cfgstore::PriorityNice(c.cls, c.pri), c.nice);
    }
    // Unset tunables: the high class at the lowest thread priority; a set
    // outside 0-2 is the normal class at 0.
    EXPECT_EQ(cfgstore::PrioritySetNice(2), -6);
    EXPECT_EQ(cfgstore::PrioritySetNice(7), 0);
}

TEST(HvExecLine, TooLongALineIsRefusedNotCut) {
    qdberrclr();
    const std::string big(kHvExecLineMax, 'x');
    EXPECT_EQ(hvexec(1, 0, nullptr, "/bin/true %s", big.c_str()), -1);
    EXPECT_EQ(Qdb_errno, QDB_ARGS);
    qdberrclr();
    const redirection bad[] = {{HV_REDIR_WRITE, 5, {"/tmp/x"}}};
    EXPECT_EQ(hvexec(1, 1, bad, "/bin/true"), -1);
    EXPECT_EQ(Qdb_errno, QDB_ARGS);
    qdberrclr();
}

class Launch : public hvtest::SystemDirTest {
protected:
    void SetUp() override {
        root_ = sys_.Path() + "/root";
        std::filesystem::create_directories(root_);
        cfgtest::InstallRootBin(root_);
        ::setenv("TEST_ROOT", root_.c_str(), 1);
    }
    void TearDown() override { ::unsetenv("TEST_ROOT"); }
    // Runs body in a child; its note comes back.
    std::string InChild(const std::function<std::string()>& body) {
        ChildResult r = RunChild([&] {
            Note(body());
            return 0;
        });
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return r.note;
    }
    std::string File(const std::string& rel) { return ReadFile(root_ + "/" + rel); }
    std::string root_;
};

TEST_F(Launch, ExitCodesOfTheShell) {
    const std::string note = InChild([] {
        std::string out;
        for (const char* cmd : {"exit 7", "true", "exit 0", "kill -9 $$", "no_such_command_here 2>/dev/null"})
            out += std::to_string(run(cmd)) + ",";
        return out;
    });
    EXPECT_EQ(note, "7,0,0,137,127,");
}

TEST_F(Launch, BackslashesBecomeSlashesAndQuotesSurvive) {
    InChild([] {
        run("printf '%s|' a\\b \"two words\" > out.txt");
        return std::string();
    });
    EXPECT_EQ(File("out.txt"), "a/b|two words|");
}

TEST_F(Launch, ChildStartsInTheRootTheCallerStays) {
    const std::string note = InChild([] {
        char before[PATH_MAX], after[PATH_MAX];
        if (!::getcwd(before, sizeof before)) return std::string("no cwd");
        run("pwd > pwd.txt");
        if (!::getcwd(after, sizeof after)) return std::string("no cwd");
        return std::string(before) == after ? std::string("same") : std::string("moved");
    });
    EXPECT_EQ(note, "same");
    EXPECT_EQ(File("pwd.txt"), std::filesystem::canonical(root_).string() + "\n");
}

TEST_F(Launch, PathGetsTheSharedDirectoryOnceAndHvRootIsSet) {
    ::setenv("HVROOT", "C:\\hv\\root", 1);
    const std::string bin = root_ + "/bin";
    const std::string oldPath = std::string(std::getenv("PATH")) + ":" + bin;
    ::setenv("PATH", oldPath.c_str(), 1);
    InChild([] {
        // A nested start must not add it again either.
        run("echo \"$PATH\" > path.txt; echo \"$HVROOT\" > hvroot.txt; sh.exe -c 'echo \"$PATH\"' > path2.txt");
        return std::string();
    });
    ::unsetenv("HVROOT");
    const std::string path = File("path.txt");
    EXPECT_EQ(path.rfind(bin + ":", 0), 0u) << path;
    EXPECT_EQ(cfgtest::Count(":" + path, ":" + bin + ":") + cfgtest::Count(path, ":" + bin + "\n"), 1) << path;
    EXPECT_EQ(File("path2.txt"), path);
    EXPECT_EQ(File("hvroot.txt"), "C:/hv/root\n");
}

TEST_F(Launch, RedirectionsInTheChild) {
    std::ofstream(root_ + "/w.txt") << "XXXXXXXX";
    std::ofstream(root_ + "/a.txt") << "XX";
    std::ofstream(root_ + "/in.txt") << "from file";
    const std::string w = root_ + "/w.txt", a = root_ + "/a.txt", in = root_ + "/in.txt", o = root_ + "/o.txt",
                      e = root_ + "/e.txt", d = root_ + "/d.txt", c = root_ + "/c.txt", c2 = root_ + "/c2.txt";
    const struct {
        const char* what;
        std::vector<redirection> list;
        const char* command;
        std::string file;
        std::string expected;
    } cases[] = {
        {"write, not truncated", {{HV_REDIR_WRITE, 1, {w.c_str()}}}, "printf ab", w, "abXXXXXX"},
        {"append", {{HV_REDIR_APPEND, 1, {a.c_str()}}}, "printf ab", a, "XXab"},
        {"read", {{HV_REDIR_READ, 0, {in.c_str()}}, {HV_REDIR_WRITE, 1, {o.c_str()}}}, "cat", o, "from file"},
        {"error to a file", {{HV_REDIR_WRITE, 2, {e.c_str()}}}, "echo oops >&2", e, "oops\n"},
        {"duplicate", {{HV_REDIR_WRITE, 1, {d.c_str()}}, {HV_REDIR_DUP, 2, {.source = 1}}}, "echo out; echo err >&2", d,
         "out\nerr\n"},
        {"close gives /dev/null",
         {{HV_REDIR_WRITE, 2, {c.c_str()}}, {HV_REDIR_CLOSE, 1, {nullptr}}},
         "if echo x 2>/dev/null; then echo open >&2; else echo closed >&2; fi; x=$(readlink /proc/$$/fd/1); echo \"$x\" >&2",
         c,
         "open\n/dev/null\n"},
        {"a file that cannot be opened gives /dev/null",
         {{HV_REDIR_WRITE, 2, {c2.c_str()}}, {HV_REDIR_READ, 0, {"/no/such/file"}}},
         "x=$(readlink /proc/$$/fd/0); echo \"$x\" >&2",
         c2,
         "/dev/null\n"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        const std::string note = InChild([&] {
            return std::to_string(hvexec(1, static_cast<int>(k.list.size()), k.list.data(), "%s -c \"%s\"", gps(23),
                                         k.command));
        });
        EXPECT_EQ(note, "0");
        EXPECT_EQ(ReadFile(k.file), k.expected);
    }
}

TEST_F(Launch, ChildSeesOnlyTheStandardDescriptors) {
    InChild([] {
        // Descriptors of the caller without close-on-exec, as a careless
        // library might leave them.
        int extra = ::open("/dev/null", O_RDONLY);
        int high = ::dup2(extra, 200);
        (void)high;
        run("ls /proc/self/fd > fds.txt");
        return std::string();
    });
    // ls itself reads the listing through one more descriptor (3).
    EXPECT_EQ(File("fds.txt"), "0\n1\n2\n3\n");
}

TEST_F(Launch, SignalMaskAndDispositionsStartEmpty) {
    const std::string note = InChild([] {
        sigset_t block;
        sigemptyset(&block);
        sigaddset(&block, SIGTERM);
        ::sigprocmask(SIG_BLOCK, &block, nullptr);
        ::signal(SIGINT, SIG_IGN);
        std::string out = std::to_string(run("kill -TERM $$; exit 3")) + ",";
        out += std::to_string(run("kill -INT $$; exit 3"));
        return out;
    });
    EXPECT_EQ(note, "143,130");
}

TEST_F(Launch, NotWaitingGivesTheLivePid) {
    const std::string note = InChild([this] {
        const std::string marker = root_ + "/started";
        const int pid = runProgram(0, 0, (std::string(gps(23)) + " -c \"touch started; exec sleep 30\"").c_str(), nullptr);
        if (pid <= 0) return std::string("no pid");
        bool alive = ::kill(pid, 0) == 0;
        ::kill(pid, SIGKILL);
        for (int i = 0; i < 500 && ::kill(pid, 0) == 0; ++i) ::usleep(10000);
        return std::string(alive ? "alive" : "dead") + (::kill(pid, 0) == 0 ? " left" : " gone");
    });
    EXPECT_EQ(note, "alive gone");
}

TEST_F(Launch, ProgramsThatCannotStartGiveMinusOne) {
    std::ofstream(root_ + "/notexec") << "#!/bin/sh\n";
    const std::string note = InChild([this] {
        std::string out;
        out += std::to_string(runProgram(1, 0, "/no/such/program", nullptr)) + ",";
        out += std::to_string(runProgram(0, 0, "/no/such/program", nullptr)) + ",";
        out += std::to_string(runProgram(1, 0, (root_ + "/notexec").c_str(), nullptr)) + ",";
        out += std::to_string(runProgram(1, 0, "no_such_program_in_path", nullptr)) + ",";
        out += std::to_string(runProgram(1, 0, "   ", nullptr)) + ",";
        // Found through the child's PATH, which starts with <root>/bin.
        out += std::to_string(runProgram(1, 0, "sh.exe -c \"exit 4\"", nullptr));
        return out;
    });
    EXPECT_EQ(note, "-1,-1,-1,-1,-1,4");
}

TEST_F(Launch, PriorityIsSetInTheChildOnlyWhenAsked) {
    const std::string note = InChild([] {
        run("nice > with.txt");
        runProgram(1, 0, (std::string(gps(23)) + " -c \"nice > without.txt\"").c_str(), nullptr);
        return std::string();
    });
    (void)note;
    // Raising a priority needs the privilege; without it the refusal is
    // ignored and the child keeps the caller's.
    errno = 0;
    const std::string own = std::to_string(::getpriority(PRIO_PROCESS, 0)) + "\n";
    EXPECT_EQ(File("with.txt"), ::geteuid() == 0 ? "-6\n" : own);
    EXPECT_EQ(File("without.txt"), own);
}

TEST(QdbNow, FormatsTheTimeAndKeepsIt) {
    const std::time_t before = std::time(nullptr);
    const char* text = qdbnow();
    ASSERT_NE(text, nullptr);
    EXPECT_GT(std::strlen(text), 0u);
    EXPECT_LE(std::strlen(text), 40u);
    EXPECT_GE(pQdb_now, before);
}

}  // namespace

namespace {

TEST_F(Launch, EventSenderStartedDetachedThroughNohup) {
    const std::string log = root_ + "/MXR";
    const std::string note = InChild([&] {
        const redirection redirs[] = {{HV_REDIR_APPEND, 1, {log.c_str()}}, {HV_REDIR_DUP, 2, {.source = 1}}};
        return std::to_string(hvexec(1, 2, redirs, "%s %s %s %s", gps(24), gps(29), "NODE2", "PATH_UP"));
    });
    EXPECT_EQ(note, "0");  // nohup.exe returns at once
    std::string text;
    for (int i = 0; i < 1000 && text.find('\n') == std::string::npos; ++i) {
        ::usleep(10000);
        text = ReadFile(log);
    }
    EXPECT_NE(text.find(" sendevent NODE2 PATH_UP\n"), std::string::npos) << text;
}

}  // namespace
