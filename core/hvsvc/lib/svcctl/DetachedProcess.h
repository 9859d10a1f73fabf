// Starting a program that runs on its own: in a new session, with its
// standard streams on /dev/null, never waited for. The program is the child
// of a short-lived middle process that is reaped at once, so the caller is
// left with no child and no zombie whatever it does afterwards.
#pragma once

#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace hvsvc {

struct DetachedSpec {
    std::vector<std::string> argv;  // argv[0] is the program's path
    std::string workDir;            // "" keeps the caller's
    // Environment changes: (name, value) sets, (name, null) removes.
    std::vector<std::pair<std::string, const char*>> env;
    bool highPriority = false;  // a lower nice value where the system allows it
    // Standard output and error of the program (StartChild only); -1 /dev/null.
    int outputFd = -1;
};

class DetachedProcess {
public:
    // 0 with the program's pid, or the errno of the start (the exec's own
    // failure included).
    static int Start(const DetachedSpec& spec, pid_t* pid = nullptr);
    // The same program as a child of the caller, in a session of its own,
    // which the caller must reap (waitpid on that pid). 0 with the pid, or
    // the errno of the start; a program that could not be executed is
    // reaped here.
    static int StartChild(const DetachedSpec& spec, pid_t* pid);
    // The command line for messages: the words joined by blanks.
    static std::string CommandLine(const DetachedSpec& spec);
};

}  // namespace hvsvc
