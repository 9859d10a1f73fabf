#include "DetachedProcess.h"

#include "platform/ProgramSpawn.h"

#include <cerrno>

namespace hvsvc {

namespace {

// Standard input on /dev/null; output and error on the caller's output descriptor,
// else /dev/null too.
portlib::platform::SpawnSpec SpawnOf(const DetachedSpec& spec) {
    using portlib::platform::StdRedirect;
    portlib::platform::SpawnSpec s;
    s.program = spec.argv[0];
    s.argv = spec.argv;
    s.env = portlib::platform::ChangedEnvironment(spec.env);
    s.workDir = spec.workDir;
    s.newSession = true;
    if (spec.highPriority) s.nice = -5;
    s.redirects.push_back({StdRedirect::kNull, 0});
    for (int fd : {1, 2}) {
        StdRedirect r{spec.outputFd >= 0 ? StdRedirect::kDup : StdRedirect::kNull, fd};
        r.source = spec.outputFd;
        s.redirects.push_back(r);
    }
    return s;
}

}  // namespace

int DetachedProcess::StartChild(const DetachedSpec& spec, pid_t* pid) {
    if (spec.argv.empty() || pid == nullptr) return EINVAL;
    return portlib::platform::SpawnChild(SpawnOf(spec), pid);
}

std::string DetachedProcess::CommandLine(const DetachedSpec& spec) {
    std::string line;
    for (const std::string& a : spec.argv) line += (line.empty() ? "" : " ") + a;
    return line;
}

int DetachedProcess::Start(const DetachedSpec& spec, pid_t* pid) {
    if (spec.argv.empty()) return EINVAL;
    pid_t program = -1;
    const int err = portlib::platform::SpawnDetached(SpawnOf(spec), &program);
    if (err == 0 && pid != nullptr) *pid = program;
    return err;
}

}  // namespace hvsvc
