// runProgram: the program is found, its environment and descriptors planned
// here, and it is started by the platform's spawn.
#include "qdbexec.h"
#include "qdberr.h"
#include "qdbpaths.h"

#include "platform/ProgramSpawn.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

std::string DirOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && ::strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

std::string Slashes(std::string s) {
    for (char& c : s)
        if (c == '\\') c = '/';
    return s;
}

// The child's PATH: the event sender's directory, the shell's when it is
// another, then the caller's PATH without those two.
std::string ChildPath(const char* oldPath) {
    std::vector<std::string> front{DirOf(gps(kPathSendEvent))};
    const std::string shellDir = DirOf(gps(kPathShell));
    if (!SameIgnoringCase(front[0], shellDir)) front.push_back(shellDir);
    std::string path;
    for (const std::string& d : front) {
        if (!path.empty()) path += ':';
        path += d;
    }
    std::string old = oldPath ? oldPath : "";
    std::size_t pos = 0;
    while (pos <= old.size() && !old.empty()) {
        std::size_t colon = old.find(':', pos);
        if (colon == std::string::npos) colon = old.size();
        const std::string entry = old.substr(pos, colon - pos);
        bool dup = false;
        for (const std::string& d : front) dup = dup || entry == d;
        if (!dup && !entry.empty()) path += ':' + entry;
        pos = colon + 1;
    }
    return path;
}

// argv[0] as the kernel is to get it: with a "/" as it is, else the first
// executable regular file of that name in the child's PATH ("" for none).
std::string ResolveProgram(const std::string& name, const std::string& path) {
    if (name.find('/') != std::string::npos) return name;
    std::size_t pos = 0;
    while (pos <= path.size()) {
        std::size_t colon = path.find(':', pos);
        if (colon == std::string::npos) colon = path.size();
        std::string dir = path.substr(pos, colon - pos);
        if (dir.empty()) dir = ".";
        const std::string candidate = dir + "/" + name;
        struct stat st {};
        if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        pos = colon + 1;
    }
    return "";
}

bool ValidRedirections(const hvstartup* s) {
    if (s == nullptr) return true;
    if (s->count < 0 || (s->count > 0 && s->list == nullptr)) return false;
    for (int i = 0; i < s->count; ++i) {
        const redirection& r = s->list[i];
        if (r.target < 0 || r.target > 2) return false;
        switch (r.op) {
        case HV_REDIR_READ:
        case HV_REDIR_WRITE:
        case HV_REDIR_APPEND:
            if (r.path == nullptr) return false;
            break;
        case HV_REDIR_CLOSE: break;
        case HV_REDIR_DUP:
            if (r.source < 0 || r.source > 2) return false;
            break;
        default: return false;
        }
    }
    return true;
}

// The spawn's changes of descriptors 0-2 for the caller's redirections. A
// file that cannot be opened, and a closed descriptor, give /dev/null.
std::vector<portlib::platform::StdRedirect> SpawnRedirects(const hvstartup* s) {
    using portlib::platform::StdRedirect;
    std::vector<StdRedirect> out;
    for (int i = 0; s != nullptr && i < s->count; ++i) {
        const redirection& r = s->list[i];
        StdRedirect d;
        d.target = r.target;
        switch (r.op) {
        case HV_REDIR_READ:
            d.op = StdRedirect::kOpen;
            d.path = r.path;
            d.flags = O_RDONLY;
            break;
        case HV_REDIR_WRITE:
        case HV_REDIR_APPEND:
            d.op = StdRedirect::kOpen;
            d.path = r.path;
            // Output files are logs: what a command writes is the
            // administrators' to read (owner and group), as every log. An
            // append is O_APPEND, so two commands never overwrite each
            // other's lines.
            d.flags = O_RDWR | O_CREAT | (r.op == HV_REDIR_APPEND ? O_APPEND : 0);
            d.mode = 0640;
            break;
        case HV_REDIR_CLOSE: d.op = StdRedirect::kNull; break;
        case HV_REDIR_DUP:
            d.op = StdRedirect::kDup;
            d.source = static_cast<int>(r.source);
            break;
        }
        out.push_back(d);
    }
    return out;
}

int WaitExit(pid_t pid) {
    int status = 0;
    pid_t r;
    do {
        r = ::waitpid(pid, &status, 0);
    } while (r < 0 && errno == EINTR);
    if (r != pid) return -1;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

}  // namespace

extern "C" int runProgram(int wait, int set_priority, const char* command_line, const hvstartup* startup) {
    if (command_line == nullptr) return -1;
    std::vector<std::string> args = cfgstore::SplitCommandLine(command_line);
    if (args.empty() || args[0].empty()) return -1;
    if (!ValidRedirections(startup))
        return hv_err(23, 0, QDB_ARGS, "runProgram: a redirection is not one of the five kinds on descriptors 0-2");

    const char* oldPath = std::getenv("PATH");
    const char* hvroot = std::getenv("HVROOT");
    const std::string childPath = ChildPath(oldPath);
    const std::string childRoot = hvroot ? Slashes(hvroot) : std::string(gps(kPathRoot));
    portlib::platform::SpawnSpec spec;
    spec.program = ResolveProgram(args[0], childPath);
    if (spec.program.empty()) return -1;
    spec.argv = std::move(args);
    spec.env = portlib::platform::ChangedEnvironment({{"PATH", childPath.c_str()}, {"HVROOT", childRoot.c_str()}});
    spec.workDir = gps(kPathRoot);
    if (set_priority) spec.nice = cfgstore::PrioritySetNice(2);
    spec.redirects = SpawnRedirects(startup);

    pid_t pid = -1;
    if (!wait) {
        // Detached: the program is a grandchild, so nobody has to reap it.
        return portlib::platform::SpawnDetached(spec, &pid) == 0 && pid > 0 ? pid : -1;
    }
    if (portlib::platform::SpawnChild(spec, &pid) != 0) return -1;
    return WaitExit(pid);
}
