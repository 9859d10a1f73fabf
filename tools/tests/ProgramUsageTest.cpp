// Every program of the README's table, as built: --help prints its usage on
// standard output and exits 0; a bad option prints the usage (or a line
// naming the fault) on standard error, or on standard output where the
// program's own command line says so, and exits with the program's usage
// code (docs/programs.md).
#include "platform/ProgramSpawn.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct ProgramRun {
    int code = -1;
    std::string out, err;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs program with args, its input on /dev/null, in a scratch directory.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args) {
    char tmpl[] = "/tmp/hvusageXXXXXX";
    const std::string dir = ::mkdtemp(tmpl) ? tmpl : "/tmp";
    portlib::platform::SpawnSpec spec;
    spec.program = program;
    spec.argv = {program};
    spec.argv.insert(spec.argv.end(), args.begin(), args.end());
    // A system directory of its own, so no program reaches a real one.
    spec.env = portlib::platform::ChangedEnvironment({{"HV_SYSTEM_DIR", dir.c_str()}});
    spec.workDir = dir;
    for (int fd : {1, 2}) {
        portlib::platform::StdRedirect r{portlib::platform::StdRedirect::kOpen, fd};
        r.path = dir + (fd == 1 ? "/out" : "/err");
        r.flags = O_WRONLY | O_CREAT | O_TRUNC;
        spec.redirects.push_back(r);
    }
    ProgramRun run;
    pid_t pid = -1;
    if (portlib::platform::SpawnChild(spec, &pid) == 0) {
        int status = 0;
        if (::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) run.code = WEXITSTATUS(status);
    }
    run.out = ReadFile(dir + "/out");
    run.err = ReadFile(dir + "/err");
    std::filesystem::remove_all(dir);
    return run;
}

// Whether text is a usage: its first word is "usage", whatever its case and
// the blank lines before it, or it names the program.
bool ShowsUsage(const std::string& text, const std::string& program) {
    const std::string name = program.substr(program.rfind('/') + 1);
    if (!text.empty() && text.find(name) != std::string::npos) return true;
    const std::size_t first = text.find_first_not_of('\n');
    if (first == std::string::npos) return false;
    std::string word = text.substr(first, 5);
    for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return word == "usage";
}

std::string InBin(const char* name) { return std::string(HV_PROGRAM_DIR) + "/" + name; }

TEST(ProgramUsage, HelpAndABadOptionForEveryProgram) {
    // What a bad command line leaves on standard output: nothing (""), a
    // line it ends with (a number the program prints on any failure, the
    // report of the system's option parser), or (kUsageOnOut) the usage.
    static const char* const kUsageOnOut = nullptr;
    const struct {
        std::string name;
        std::string path;
        std::vector<std::string> bad;  // empty: every command line is good
        int usageCode;
        const char* badOut;
    } programs[] = {
        {"hvmanager", HV_MANAGER_BIN, {"--no-such-option"}, 1, ""},
        {"mxrcfgstore", HV_MXRCFGSTORE_BIN, {"--no-such-option"}, 1, ""},
        {"qdb", HV_QDB_BIN, {"--no-such-option"}, 1, ""},
        {"hvpo", HV_PO_BIN, {"--no-such-option"}, 64, ""},
        {"hvconfig", HV_HVCONFIG_BIN, {"--no-such-option"}, 64, ""},
        {"hvreg", HV_HVREG_BIN, {"--no-such-option"}, 1, ""},
        {"sendevent", HV_SENDEVENT_BIN, {}, 0, ""},
        {"qdbdorem", HV_QDBDOREM_BIN, {"--no-such-option"}, 1, ""},
        {"qdbrecover", HV_QDBRECOVER_BIN, {"--no-such-option"}, 2, ""},
        {"nohup.exe (hvnohup)", HV_NOHUP_BIN, {}, 1, ""},  // no program to start
        {"hvrelay", HV_RELAY_BIN, {"--no-such-option"}, 1, ""},
        {"hvstubagent", HV_STUB_AGENT_BIN, {"--no-such-option"}, 64, ""},
        {"ttylinesim", HV_LINESIM_BIN, {"--no-such-option"}, 1, ""},
        {"sockagent", HV_SOCKAGENT_BIN, {"-n", "x"}, 1, ""},
        {"ttyagent", HV_TTYAGENT_BIN, {"--no-such-option"}, 1, ": illegal option - -\n"},
        {"hvsvc", HV_HVSVC_BIN, {}, 0, ""},  // any argument selects console mode
        {"hvsvcctl", HV_HVSVCCTL_BIN, {"--no-such-option"}, 2, ""},
        {"hvsvcctl (no such verb)", HV_HVSVCCTL_BIN, {"restart"}, 2, ""},
        {"hvi_addwatch", InBin("hvi_addwatch"), {"--no-such-option"}, 1, ""},
        {"hvi_killproc", InBin("hvi_killproc"), {"--no-such-option"}, 1, ""},
        {"hvi_delwatch", InBin("hvi_delwatch"), {"--no-such-option"}, 1, ""},
        {"hvi_status", InBin("hvi_status"), {"a", "b"}, 1, ""},
        {"hvi_stopwatch", InBin("hvi_stopwatch"), {"a"}, 1, "-2\n"},
        {"hvi_getgrpn", InBin("hvi_getgrpn"), {"a", "b"}, 1, "-2\n"},
        {"procseek", InBin("procseek"), {"a", "b"}, 1, "-1\n"},
        {"shmkeep", InBin("shmkeep"), {"--no-such-option"}, 1, kUsageOnOut},
        {"shmcheck", InBin("shmcheck"), {"-v"}, 1, kUsageOnOut},  // no name
        {"shmclear", InBin("shmclear"), {"--no-such-option"}, 1, kUsageOnOut},
        {"eventkeep", InBin("eventkeep"), {"--no-such-option"}, 1, kUsageOnOut},
        {"eventcheck", InBin("eventcheck"), {"--no-such-option"}, 1, kUsageOnOut},
        {"eventclear", InBin("eventclear"), {"--no-such-option"}, 1, kUsageOnOut},
        {"mutexcheck", InBin("mutexcheck"), {"--no-such-option"}, 1, kUsageOnOut},
        {"mutexclear", InBin("mutexclear"), {"--no-such-option"}, 1, kUsageOnOut},
        {"pidkeep", InBin("pidkeep"), {"-V", "-p1"}, 1, kUsageOnOut},  // lower-case -v only
        {"pidclear", InBin("pidclear"), {"--no-such-option"}, 1, kUsageOnOut},
        {"shmdump", InBin("shmdump"), {"--no-such-option"}, 1, ""},
        {"eventdump", InBin("eventdump"), {"--no-such-option"}, 1, ""},
        {"hvdemo", InBin("hvdemo"), {"--no-such-option"}, 1, ""},
#ifdef HV_HVSETUP_BIN
        {"hvsetup", HV_HVSETUP_BIN, {"--no-such-option"}, 1, ""},
#endif
        {"sharepublish", InBin("sharepublish"), {}, 1, ""},  // no file
        {"addrswitch", InBin("addrswitch"), {"1.2.3.4"}, 1, kUsageOnOut},
        {"addrshow", InBin("addrshow"), {}, 1, ""},
        {"nameprobe", InBin("nameprobe"), {}, 5, ""},
        {"drivelist", InBin("drivelist"), {"-z"}, 1, ""},
        {"dismounter", InBin("dismounter"), {"Z"}, 1, kUsageOnOut},
        {"hvstart.exe", HV_STANDIN_DIR "/hvstart.exe", {}, 0, ""},  // records any argument
        {"hvstop.exe", HV_STANDIN_DIR "/hvstop.exe", {}, 0, ""},
    };
    for (const auto& p : programs) {
        SCOPED_TRACE(p.name);
        const ProgramRun help = RunProgram(p.path, {"--help"});
        EXPECT_EQ(help.code, 0) << help.err;
        EXPECT_TRUE(ShowsUsage(help.out, p.path)) << help.out;
        if (p.bad.empty()) continue;
        const ProgramRun bad = RunProgram(p.path, p.bad);
        EXPECT_EQ(bad.code, p.usageCode) << bad.err;
        if (p.badOut == kUsageOnOut) {
            EXPECT_TRUE(ShowsUsage(bad.out, p.path)) << bad.out;
        } else {
            const std::string tail = p.badOut;
            if (tail.empty()) {
                EXPECT_EQ(bad.out, "");
            } else {
                EXPECT_TRUE(bad.out.size() >= tail.size() &&
                            bad.out.compare(bad.out.size() - tail.size(), tail.size(), tail) == 0)
                    << bad.out;
            }
            EXPECT_FALSE(bad.err.empty());
        }
    }
}

}  // namespace
