// Every program of the README's table, as built: --help prints its usage on
// standard output and exits 0; a bad option prints the usage (or a line
// naming the fault) on standard error and exits with the program's usage
// code (docs/programs.md).
#include "platform/ProgramSpawn.h"

#include <gtest/gtest.h>

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

TEST(ProgramUsage, HelpAndABadOptionForEveryProgram) {
    const struct {
        const char* name;
        const char* path;
        std::vector<std::string> bad;  // empty: the program takes any argument
        int usageCode;
    } programs[] = {
        {"hvmanager", HV_MANAGER_BIN, {"--no-such-option"}, 1},
        {"mxrcfgstore", HV_MXRCFGSTORE_BIN, {"--no-such-option"}, 1},
        {"qdb", HV_QDB_BIN, {"--no-such-option"}, 1},
        {"hvpo", HV_PO_BIN, {"--no-such-option"}, 64},
        {"hvconfig", HV_HVCONFIG_BIN, {"--no-such-option"}, 64},
        {"hvreg", HV_HVREG_BIN, {"--no-such-option"}, 1},
        {"sendevent", HV_SENDEVENT_BIN, {}, 0},
        {"qdbdorem", HV_QDBDOREM_BIN, {"--no-such-option"}, 1},
        {"qdbrecover", HV_QDBRECOVER_BIN, {"--no-such-option"}, 2},
        {"nohup.exe (hvnohup)", HV_NOHUP_BIN, {}, 1},  // no program to start
        {"hvrelay", HV_RELAY_BIN, {"--no-such-option"}, 1},
        {"hvstubagent", HV_STUB_AGENT_BIN, {"--no-such-option"}, 64},
        {"ttylinesim", HV_LINESIM_BIN, {"--no-such-option"}, 1},
    };
    for (const auto& p : programs) {
        SCOPED_TRACE(p.name);
        const ProgramRun help = RunProgram(p.path, {"--help"});
        EXPECT_EQ(help.code, 0) << help.err;
        EXPECT_EQ(help.out.rfind("usage: ", 0), 0u) << help.out;
        if (std::string(p.name).rfind("sendevent", 0) == 0) continue;
        const ProgramRun bad = RunProgram(p.path, p.bad);
        EXPECT_EQ(bad.code, p.usageCode) << bad.err;
        EXPECT_TRUE(bad.out.empty()) << bad.out;
        EXPECT_FALSE(bad.err.empty());
    }
}

}  // namespace
